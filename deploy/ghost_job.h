// Ghost jobs: restore one partition from a Ghost image or back it up into one, at once
// inside a PE with Ghost for Windows, or on the desktop through the DOS stage.
#pragma once

#include <string>

struct GhostJob {
  std::wstring imagePath;   // full path of the .GHO file, from its drive letter (D:\x.GHO)
  std::wstring target;      // the partition's drive letter with colon (C:)
  int compression = 0;      // Ghost's -z level of a backup; not used by a restore
  int restore = 0;          // 1: restore the image onto the target; otherwise back it up
};

// Results of RunGhostJob; the pages tell only Done from the rest.
namespace ghost_result {
constexpr int Done = 0;           // done inside PE, or staged: the restart prompt follows
constexpr int Failed = 1;         // Ghost failed (PE) or the boot entry was not set (desktop)
constexpr int NotFound = 2;       // image missing, not one file name or not absolute, or GHOST32.EXE
                                  // not found (PE)
constexpr int Declined = 3;       // the user declined (overwrite, or the multi-disk warning)
constexpr int StagingFailed = 5;  // the DOS stage could not be prepared
constexpr int Refused = 6;        // the job cannot be done here (GPT, UEFI, boot data elsewhere,
                                  // or a PE restore from the target partition itself)
}  // namespace ghost_result

// Whether an image path is absolute from a drive letter (D:\x.GHO). A drive-relative
// D:x.GHO or a rooted \x.GHO depends on the current folder of the moment, which DOS
// Ghost at the next start does not share.
bool IsAbsoluteImagePath(const std::wstring& path);
// The refusal of an image path that is not absolute; empty when it is.
std::wstring ImagePathRefusal(const std::wstring& path);

// Checks the image against the job, then runs Ghost in PE or stages the DOS stage.
int RunGhostJob(GhostJob job);
// Finds GHOST32.EXE and runs it visibly with the main window hidden: Done, Failed or
// NotFound.
int RunGhostInPE(GhostJob job);

// The command line of Ghost for Windows found at ghostPath.
std::wstring GhostWindowsCommand(const std::wstring& ghostPath, const GhostJob& job);
