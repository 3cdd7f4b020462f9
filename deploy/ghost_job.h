// Ghost jobs: restore one partition from a Ghost image or back it up into one, at once
// inside a PE with Ghost for Windows, or on the desktop through the DOS stage.
#pragma once

#include <string>

#include "deploy/outcome.h"

struct GhostJob {
  std::wstring imagePath;   // full path of the .GHO file, from its drive letter (D:\x.GHO)
  std::wstring target;      // the partition's drive letter with colon (C:)
  int compression = 0;      // Ghost's -z level of a backup; not used by a restore
  int restore = 0;          // 1: restore the image onto the target; otherwise back it up
};

// How a Ghost job ended.
enum class GhostCode {
  Done,             // Ghost has run inside PE
  Staged,           // the DOS stage waits for the next start
  Declined,         // the user said No (overwrite, the stage's questions, the page's question)
  NotAbsolute,      // the image path does not start from a drive letter
  ImageMissing,     // the image to restore is not there
  NotOneFile,       // the image path names a folder or holds a wildcard
  FolderMissing,    // the folder a backup would write its image into is not there
  ImageOnTarget,    // inside PE the image lies on the partition it would overwrite
  GhostMissing,     // GHOST32.EXE was found nowhere
  GhostFailed,      // Ghost failed or did not start
  BootNotRepaired,  // restored inside PE, but bcdboot failed
  StagingFailed,    // the DOS stage could not be prepared
  StagingRefused,   // the DOS stage cannot work on this machine (GPT, UEFI, boot data elsewhere)
  BootEntryFailed,  // the boot entry of the DOS stage was not set
};
using GhostOutcome = Outcome<GhostCode>;

// Whether the outcome is a failure of work begun (Ghost run, the stage prepared, the
// boot entry set): not a success, the user's No or a refusal before anything was done.
bool IsFailure(GhostCode code);

// The table of the outcomes' texts: a template over the image path (%s) where the text
// names it; empty where nothing is left to tell.
const wchar_t* GhostOutcomeText(GhostCode code);
// The outcome of code, its text filled in for job.
GhostOutcome GhostEnd(GhostCode code, const GhostJob& job);

// Whether the folder an image file is to be written into is there (a backup creates the
// file, not the folders above it).
bool ImageFolderExists(const std::wstring& path);

// Whether an image path is absolute from a drive letter (D:\x.GHO). A drive-relative
// D:x.GHO or a rooted \x.GHO depends on the current folder of the moment, which DOS
// Ghost at the next start does not share.
bool IsAbsoluteImagePath(const std::wstring& path);
// The refusal of an image path that is not absolute; empty when it is.
std::wstring ImagePathRefusal(const std::wstring& path);

// Why the job cannot be done here, found without asking or changing anything: the image
// path, the image to restore, inside a PE the image on its target and Ghost for Windows,
// on a desktop the DOS stage's checks, and the folder a backup writes into. False, with *refusal untouched, when it can be done.
bool GhostJobRefused(const GhostJob& job, GhostOutcome* refusal);

// Checks the job (GhostJobRefused), asks before an existing backup file is overwritten,
// then runs Ghost in PE or stages the DOS stage.
GhostOutcome RunGhostJob(GhostJob job);
// Finds GHOST32.EXE and runs it visibly with the main window hidden: Done, GhostFailed
// or GhostMissing.
GhostOutcome RunGhostInPE(GhostJob job);

// The command line of Ghost for Windows found at ghostPath.
std::wstring GhostWindowsCommand(const std::wstring& ghostPath, const GhostJob& job);
