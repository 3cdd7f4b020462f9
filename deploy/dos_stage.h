// The DOS stage: on the desktop a Ghost job is prepared for DOS Ghost at the next start
// (floppy image, loader files and Ghost batch in the root of the system drive, and a
// boot entry for the loader), followed by the restart prompt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "deploy/ghost_job.h"
#include "platform/seam.h"

// What a staging of a job would do, as its checks found the machine; or why it cannot.
struct DosStagePlan {
  GhostOutcome refusal;            // StagingRefused or StagingFailed with its reason; no text when it can go
  std::wstring place;              // where the stage's files go: a drive ("C:") or a volume path
  bool bootIni = false;            // the boot entry goes into BOOT.INI rather than the BCD store
  std::wstring imagePath;          // the image as DOS Ghost reads it: the job's, or its copy's
  std::wstring line;               // the Ghost batch line
  bool diskOrderGuessed = false;   // DOS's number of the target's disk is a guess (more than two disks)
  bool Refused() const { return !refusal.text.empty(); }
};

// The DOS stage's checks of a job on this machine: asks nothing, writes, copies and
// starts nothing, so a page runs them before its question.
DosStagePlan CheckDosStage(const GhostJob& job);

// Checks the job again, asks what needs the user's word (the disk order, another
// staging's leftovers, a job still waiting), moves the image next to the target when
// needed, writes the DOS-stage files and sets the boot entry. Staged, Declined,
// StagingRefused, StagingFailed or BootEntryFailed, with the reason to tell; the stage
// shows no box of its own but its questions.
GhostOutcome StageGhostJob(GhostJob job);

// After a staging: restart now, later, or (on the desktop) undo the staging.
void PromptRestart();

// "%d:%d" of a volume such as "C:" (GhostDiskNumber of its disk, partition number): how DOS
// Ghost names it when the machine starts from bootDisk. Empty when the volume's device
// number cannot be read.
std::wstring GetGhostNumber(const std::wstring& volume, uint32_t bootDisk);

// The highest lettered volume on the target's disk other than the target itself, or
// the empty string.
std::wstring FindTransferDrive(const StorageDeviceNumber& target);

// Writes kxdos.ima, kxldr and kxldr.mbr (read-only, hidden, system, archive) and the
// Ghost batch ghost.ba_ into the root of place: a drive ("C:") or a volume path; empty
// for the system drive. False as soon as one of them cannot be written, or when the
// line does not fit DOS's batch line.
bool WriteDosStageFiles(const std::wstring& batchLine, const std::wstring& place = L"");

// Writes the program's FILE resource id to path with the attributes 0x27; false when
// the resource is missing or the file cannot be written.
bool WriteResourceFile(int id, const std::wstring& path);

// Whether this copy of the program carries every DOS-stage component (the build marks
// it) and they look like what they claim; otherwise the loader could not boot and
// nothing may be staged.
bool PayloadComplete();
// Why every desktop Ghost job is refused by a program whose payload is incomplete.
extern const wchar_t kPayloadIncompleteText[];

// Whether an earlier staging still waits for the next start: its files lie on the system
// drive or on the partition of the live boot store.
bool DosStageWaiting();
// Takes the boot entry out (by the Windows version) and then removes the staged files;
// false, with the files left for the entry that stays, when the entry cannot be taken out.
bool UndoStaging();
// Removes the staged files from the system drive and the partition of the live store.
void RemoveDosStageFiles();

// ---- Pure pieces ---------------------------------------------------------------------

// DOS Ghost counts disks in the BIOS order, in which the disk the machine starts from is
// disk 1 whatever Windows' number for it. The others keep Windows' order: sure with two
// disks, a guess with more.
uint32_t GhostDiskNumber(uint32_t disk, uint32_t bootDisk);

// The name part of a moved image: "%d%d%d%d%d%d" of the time, without leading zeros.
std::wstring TransferStamp(const LocalTime& time);

// The Ghost batch line for DOS Ghost: targetNumber as GetGhostNumber gives it, and
// imageLocation the image's Ghost number followed by its path after the drive.
std::wstring GhostDosCommand(const GhostJob& job, const std::wstring& targetNumber,
                             const std::wstring& imageLocation);

// Bytes a Ghost batch line may have: COMMAND.COM reads 127 characters of a batch line and
// hands a program at most 126 of its tail; a longer line would lose its end (dst=..., -rb).
constexpr size_t kDosLineLimit = 126;

// Whether DOS's NTFS and FAT drivers give a partition of this MBR type a letter: hidden
// and maker's types (0x17, 0x27, 0x12, 0xDE...) are left without one.
bool DosLettersType(uint8_t type);

// Whether the unquoted DOS line can carry this path part: printable ASCII only, no
// blank, no "%" (a batch variable) and no "," (Ghost's own separator).
bool DosCanTakePath(const std::wstring& path);
