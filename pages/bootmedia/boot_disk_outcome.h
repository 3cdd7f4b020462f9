// How a make or a restore of a boot disk ended: the code, and the text its table gives.
#pragma once

#include <string>

#include "deploy/outcome.h"
#include "platform/format.h"

namespace boot_disk {

enum class BootDiskCode {
  Done,             // made, or restored
  ToolMissing,      // FbinstPlus is not there: the path looked for
  ArchiveMissing,   // the boot archive is not there: the path looked for
  DiskChanged,      // the disk is no longer the one chosen, or not one to write: why
  FolderMissing,    // a chosen folder is gone; the disk was not formatted: the folder
  ImageMissing,     // a chosen image is gone or was never found; not formatted: its path or name
  Unreadable,       // a path under a chosen folder does not read; not formatted: the path
  FileTooLarge,     // a file of 4 GB or more, which FAT32 cannot hold; not formatted: the file
  NoRoom,           // what the make copies does not fit; the disk was not formatted
  FormatFailed,     // FbinstPlus failed to format
  NoNewVolume,      // the volume the format created did not appear; nothing was copied
  NoRoomOnVolume,   // the new volume holds less than what the make copies
  Stopped,          // the user stopped the copy
  CopyFailed,       // a copy failed: what and why
  RestoreFailed,    // FbinstPlus failed to restore: its exit code
};
using BootDiskOutcome = Outcome<BootDiskCode>;

// The table of the outcomes' texts, templates over what the code's comment names.
const wchar_t* BootDiskOutcomeText(BootDiskCode code);

template <typename... Args>
BootDiskOutcome BootDiskEnd(BootDiskCode code, const Args&... args) {
  return BootDiskOutcome{code, Format(BootDiskOutcomeText(code), args...)};
}

// Whether the page tells the outcome in a box; the others stay on the progress window's
// status line, which the engine has set.
bool BootDiskOutcomeBoxed(BootDiskCode code);

}  // namespace boot_disk
