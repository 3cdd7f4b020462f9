// The copies of a boot-disk make: what a source brings along (read before the format),
// whether it fits, and the copy itself, by bytes, stoppable between files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/progress.h"

namespace boot_disk {

// One file or folder that a source brings onto the boot disk.
struct CopyItem {
  std::wstring source;      // full path
  std::wstring relative;    // under the destination folder ("COURSE\a.mp4")
  bool folder = false;
  uint64_t bytes = 0;
};

// What a listing tells beside its items.
struct ListingNotes {
  std::wstring unreadable;             // the path that could not be read; the listing ends there
  std::vector<std::wstring> links;     // links and junctions left out, each once
};

// A file, or a folder with everything under it (its empty folders too), paths longer
// than Windows' 260 characters included; links and junctions are left out, never
// followed: a junction may point back up the tree or at a disk of its own. False when
// the source, or a path under it, cannot be read.
bool ListCopyItems(const std::wstring& source, std::vector<CopyItem>* items, ListingNotes* notes);
// What the items take on the disk: each file rounded up to whole clusters.
uint64_t BytesOnDisk(const std::vector<CopyItem>& items);
// The first file that FAT32, the stick's file system, cannot hold (4 GB or more); null
// when every one fits.
const CopyItem* FirstTooLargeForFat32(const std::vector<CopyItem>& items);

enum class CopyEnd { Done, Failed, Stopped };
struct CopyFailure {
  std::wstring path;        // the file or folder that could not be written
  uint32_t error = 0;       // the system's code
};

// Copies the items into the destination folder, moving the progress from `from` to `to`
// by the bytes of the files copied. Looks at Stopping before every file; a large file
// is named as what a stop waits for while it is copied. Each file is written under a
// name of its own (".part" added) and takes its name once it is whole: a failed copy
// leaves nothing under the name of the whole file.
CopyEnd CopyItems(const std::vector<CopyItem>& items, const std::wstring& destination, int from, int to,
                  Progress& progress, CopyFailure* failure);

// The failure as the user reads it: the step's text, the file and the system's code.
std::wstring FailureText(const std::wstring& stepFailure, const CopyFailure& failure);

}  // namespace boot_disk
