// The job of the backup and restore page, as its window and the command line both run
// it: where a request goes, and the Ghost road from its question to the boot repair.
#pragma once

#include <string>

#include "deploy/ghost_job.h"
#include "platform/disk.h"

namespace backup_restore {

// The radio group's modes, in the group's order.
enum Mode { kRestore = 0, kGhostBackup = 1, kWimBackup = 2 };

// What the page holds when "执行" is clicked.
struct Request {
  int mode = kRestore;
  bool rowSelected = false;
  std::wstring target;          // column 0 of the selected row
  std::wstring imagePath;       // the text of the image-path box
  int compression = 0;          // the compression box's selection
  bool restartAtOnce = false;   // "执行完成后重启" ticked
};

// Where a request went; the page itself only needs the side effects.
enum class Road { Refused, GhostBackup, GhostRestore, WimCapture, WimApply };

// Where a request goes; Refused with the text to tell the user when it goes nowhere.
// Nothing is shown or run.
Road RouteOf(const Request& request, std::wstring* refusal);

// The Ghost road up to its restart step: the job's checks, the question (No gives
// Declined), the job, and the boot repair after a restore inside a PE.
GhostOutcome RunGhostSteps(const Request& request);

// The Ghost job the page builds for a request.
GhostJob BuildGhostJob(const Request& request);

// "%d:%d" (disk + 1, partition number) of a partition on an MBR disk; empty otherwise.
std::wstring PartitionNumberText(const _PARTITIONS& partition);
// The drive letter of a partition of the disk model, named by its letter or by its
// number ("1:1"); empty when there is no such partition or it has no letter.
std::wstring DriveOfPartition(const std::wstring& name);

}  // namespace backup_restore
