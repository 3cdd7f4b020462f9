// The backup and restore job: the roads of a request and the Ghost road's steps.
#include "deploy/backup_restore.h"

#include "deploy/boot_repair.h"
#include "deploy/question_facts.h"
#include "platform/format.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace backup_restore {

namespace {

constexpr unsigned kQuestion = mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo;

// Ghost has rewritten the partition, boot files included; bcdboot puts the boot files
// of its Windows back. A GPT partition starts through the firmware's own entries.
bool RepairBootAfterRestore(const std::wstring& target) {
  if (TheDisk().GetPartitionByLetter(target).layout.PartitionStyle == layout::kStyleGpt) return true;
  return RepairBootFiles(target);
}

}  // namespace

GhostJob BuildGhostJob(const Request& request) {
  if (request.mode == kRestore) return GhostJob{request.imagePath, request.target, 0, 1};
  // The box offers 0-3; the command line may ask for any level Ghost takes (0-9).
  int level = request.compression >= 0 && request.compression <= 9 ? request.compression : 0;
  return GhostJob{request.imagePath, request.target, level, 0};
}

GhostOutcome RunGhostSteps(const Request& request) {
  GhostJob job = BuildGhostJob(request);
  // What can refuse the job is found before the question: no Yes is answered by a refusal.
  GhostOutcome refusal;
  if (GhostJobRefused(job, &refusal)) return refusal;
  std::wstring question =
      job.restore == 1
          ? WithFacts(Format(L"确定将文件：%s 还原到%s盘中么？\n这将会清空您%s盘的数据，还原前请将数据备份！",
                             job.imagePath, job.target, job.target),
                      {DriveFacts(job.target), ImageFileFacts(job.imagePath)})
          : Format(L"确定将分区：%s 备份到文件：%s中么？", job.target, job.imagePath);
  if (ShowMessage(question, kQuestion) != mbox::IdYes) return GhostEnd(GhostCode::Declined, job);
  GhostOutcome outcome = RunGhostJob(job);
  // On the desktop the job is only staged: DOS Ghost writes the partition at the next start.
  if (outcome.code == GhostCode::Done && job.restore == 1 && !RepairBootAfterRestore(job.target))
    return GhostEnd(GhostCode::BootNotRepaired, job);
  return outcome;
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
  if (dot == std::wstring::npos) return refuse(L"请选择正确的路径!\n镜像路径应以文件名结尾，扩展名为.GHO或.WIM。");
  std::wstring extension = request.imagePath.substr(dot + 1);

  if (request.mode == kGhostBackup) return Road::GhostBackup;
  if (request.mode == kWimBackup) return Road::WimCapture;
  if (ContainsText(extension, L"GHO", false)) return Road::GhostRestore;
  if (!ContainsText(extension, L"WIM", false)) return refuse(L"不支持的文件类型！");
  if (!g_bInPE) return refuse(L"不支持在桌面环境下进行WIM文件的操作！");
  return Road::WimApply;
}

std::wstring PartitionNumberText(const _PARTITIONS& partition) {
  if (partition.layout.PartitionStyle != layout::kStyleMbr) return std::wstring();
  return Format(L"%d:%d", partition.diskIndex + 1, partition.partitionNumber);
}

std::wstring DriveOfPartition(const std::wstring& name) {
  for (const _PARTITIONS& partition : TheDisk().partitions)
    if (!partition.letter.empty() && (partition.letter == name || PartitionNumberText(partition) == name))
      return partition.letter;
  return std::wstring();
}

}  // namespace backup_restore
