// What the backup and restore page does, apart from its window: the rows of its
// partition list and the road of a click on "执行".
#pragma once

#include <string>
#include <vector>

#include "deploy/ghost_job.h"
#include "deploy/wim_engine.h"

namespace install_page {

// The radio group's modes, in the group's order.
enum Mode { kRestore = 0, kGhostBackup = 1, kWimBackup = 2 };

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

// Validates the request, tells the user any refusal and runs the chosen mode.
Road Execute(const Request& request, const WimPageHooks& hooks);

// Where a request goes; Refused with the text to tell the user when it goes nowhere.
// Nothing is shown or run.
Road RouteOf(const Request& request, std::wstring* refusal);

// The page's Ghost routine: question, job, boot repair after a restore inside a PE,
// then the restart. Returns whether the job was done (or staged).
bool RunGhostOperation(const Request& request);

// The page's Ghost routine up to its restart step: the question (No gives
// ghost_result::Declined), the job, and the boot repair after a restore inside a PE.
// ghost_result's code of the job, or kBootRepairFailed.
constexpr int kBootRepairFailed = 100;
int RunGhostSteps(const Request& request);

// The Ghost job the page builds for a request.
GhostJob BuildGhostJob(const Request& request);

}  // namespace install_page
