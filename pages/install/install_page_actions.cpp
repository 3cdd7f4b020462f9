// The backup and restore page's actions: partition rows, validation and the roads of "执行".
#include "pages/install/install_page_actions.h"

#include "deploy/dos_stage.h"
#include "deploy/wim_engine.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace install_page {

const wchar_t* const kCompressionNames[4] = {L"不压缩", L"快速压缩", L"高压缩", L"最高压缩"};

namespace {

constexpr unsigned kWarning = mbox::Ok | mbox::IconExclamation;
constexpr unsigned kQuestion = mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo;

std::wstring DiskStyleText(uint32_t style) {
  if (style == layout::kStyleMbr) return L"MBR";
  if (style == layout::kStyleGpt) return L"GPT";
  return L"未知";
}

// Ghost has rewritten the partition, boot files included; bcdboot puts the boot files
// of its Windows back. A GPT partition starts through the firmware's own entries.
bool RepairBootAfterRestore(const std::wstring& target) {
  if (TheDisk().GetPartitionByLetter(target).layout.PartitionStyle == layout::kStyleGpt) return true;
  return RepairBootFiles(target);
}

}  // namespace

std::vector<PartitionRow> PartitionRows() {
  std::vector<PartitionRow> rows;
  for (const _PARTITIONS& partition : TheDisk().partitions) {
    PartitionRow row;
    row.letter = partition.letter;
    if (partition.layout.PartitionStyle == layout::kStyleMbr)
      row.number = Format(L"%d:%d", partition.diskIndex + 1, partition.partitionNumber);
    if (!partition.letter.empty()) {
      row.label = partition.label;
      row.fileSystem = partition.fileSystem;
      row.freeSpace = partition.freeSpace;
      row.icon = partition.icon;
    }
    row.size = partition.size;
    row.diskStyle = DiskStyleText(partition.layout.PartitionStyle);
    rows.push_back(row);
  }
  return rows;
}

GhostJob BuildGhostJob(const Request& request) {
  if (request.mode == kRestore) return GhostJob{request.imagePath, request.target, 0, 1};
  // The box offers 0-3; the command line may ask for any level Ghost takes (0-9).
  int level = request.compression >= 0 && request.compression <= 9 ? request.compression : 0;
  return GhostJob{request.imagePath, request.target, level, 0};
}

int RunGhostSteps(const Request& request) {
  GhostJob job = BuildGhostJob(request);
  std::wstring question =
      job.restore == 1
          ? Format(L"确定将文件：%s 还原到%s盘中么？\n这将会清空您%s盘的数据，还原前请将数据备份！", job.imagePath,
                   job.target, job.target)
          : Format(L"确定将分区：%s 备份到文件：%s中么？", job.target, job.imagePath);
  if (ShowMessage(question, kQuestion) != mbox::IdYes) return ghost_result::Declined;
  int result = RunGhostJob(job);
  if (result != ghost_result::Done) return result;
  // On the desktop the job is only staged: DOS Ghost writes the partition at the next start.
  if (job.restore == 1 && g_bInPE && !RepairBootAfterRestore(job.target)) {
    ShowMessage(L"修复启动项出错！", kWarning);
    return kBootRepairFailed;
  }
  return ghost_result::Done;
}

bool RunGhostOperation(const Request& request) {
  if (RunGhostSteps(request) != ghost_result::Done) return false;
  if (request.restartAtOnce) RebootSystem();
  else PromptRestart();
  return true;
}

Road RouteOf(const Request& request, std::wstring* refusal) {
  auto refuse = [refusal](const std::wstring& text) {
    *refusal = text;
    return Road::Refused;
  };
  // A row without a drive letter names no volume that Ghost, bcdboot or the imaging
  // calls could reach: it is no more a choice than no row at all.
  if (!request.rowSelected || request.target.empty()) return refuse(L"请选择一个分区!");
  if (request.imagePath.empty()) return refuse(L"请输入正确的镜像路径!");
  // Refused before the question, for WIM files as much as for Ghost images.
  if (!IsAbsoluteImagePath(request.imagePath)) return refuse(ImagePathRefusal(request.imagePath));
  size_t dot = request.imagePath.rfind(L'.');
  if (dot == std::wstring::npos) return refuse(L"请选择正确的路径!");
  std::wstring extension = request.imagePath.substr(dot + 1);

  if (request.mode == kGhostBackup) return Road::GhostBackup;
  if (request.mode == kWimBackup) return Road::WimCapture;
  if (ContainsText(extension, L"GHO", false)) return Road::GhostRestore;
  if (!ContainsText(extension, L"WIM", false)) return refuse(L"不支持的文件类型！");
  if (!g_bInPE) return refuse(L"不支持在桌面环境下进行WIM文件的操作！");
  return Road::WimApply;
}

Road Execute(const Request& request, const WimPageHooks& hooks) {
  std::wstring refusal;
  Road road = RouteOf(request, &refusal);
  switch (road) {
    case Road::Refused:
      ShowMessage(refusal, kWarning);
      break;
    case Road::GhostBackup:
    case Road::GhostRestore:
      RunGhostOperation(request);
      break;
    case Road::WimCapture: {
      int compression = request.compression >= 0 && request.compression <= 3 ? request.compression : 0;
      CaptureWimImage(request.imagePath, request.target, compression, hooks);
      break;
    }
    case Road::WimApply:
      ApplyWimImage(request.imagePath, request.target, hooks);
      break;
  }
  return road;
}

}  // namespace install_page
