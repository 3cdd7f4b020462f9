// What the backup and restore page does, apart from its window: the rows of its
// partition list and the road of a click on "执行".
#pragma once

#include <string>
#include <vector>

#include "deploy/backup_restore.h"
#include "deploy/wim_engine.h"

namespace install_page {

// The job itself, shared with the command line.
using backup_restore::kGhostBackup;
using backup_restore::kRestore;
using backup_restore::kWimBackup;
using backup_restore::Mode;
using backup_restore::Request;
using backup_restore::Road;
using backup_restore::RouteOf;
using backup_restore::BuildGhostJob;

// The compression box's items, in their order; the index is the Ghost -z level and the
// WIM compression type alike.
extern const wchar_t* const kCompressionNames[4];

// One row of the partition list, a text per column.
struct PartitionRow {
  std::wstring letter;       // "盘符": "C:", empty without a letter
  std::wstring number;       // "序号": "%d:%d" (disk + 1, partition number) on MBR disks
  std::wstring label;        // "卷标"
  std::wstring fileSystem;   // "文件类型"
  std::wstring freeSpace;    // "可用容量"
  std::wstring size;         // "容量"
  std::wstring diskStyle;    // "磁盘类型": "MBR", "GPT" or "未知"
  int icon = -1;             // index in the volume image list; -1 without a letter
};

// The rows of every partition of the disk model, disk 0 first, layout order within a disk.
std::vector<PartitionRow> PartitionRows();

// Validates the request, tells the user any refusal and runs the chosen mode.
Road Execute(const Request& request, const WimPageHooks& hooks);

// The page's Ghost routine: question, job, boot repair after a restore inside a PE,
// its box, then the restart. Returns whether the job was done (or staged).
bool RunGhostOperation(const Request& request);

}  // namespace install_page
