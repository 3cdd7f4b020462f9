// Where the main page's restores may write: the quick-install target and the one-click drive check.
#include "pages/install/restore_target.h"

#include <algorithm>

#include "deploy/target_refusal.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/partition_kind.h"
#include "platform/pe_flag.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace main_page {

namespace {

constexpr uint32_t kFileDeviceDisk = 7;

using target_refusal::DriveOf;
using target_refusal::InUseByThisRun;
using target_refusal::IsPortableDisk;

struct Candidate {
  RestoreTarget target;
  int disk = 0;
  bool active = false;
  bool holdsWindows = false;
};

// Inside a PE Ghost would read the image from the partition it overwrites. On a desktop
// the staging moves an image off its target first, so the image's partition stays one.
bool HoldsTheImageInPe(const std::wstring& drive, const std::wstring& imageDrive) {
  return g_bInPE && drive == imageDrive;
}

bool HoldsWindows(const std::wstring& drive) { return PathExists(drive + L"\\Windows\\System32"); }

// A boot store and no Windows folder: the boot partition, whatever its label (HP names it
// SYSTEM, as users name their C: too).
bool HoldsOnlyABootStore(const std::wstring& drive) {
  return PathExists(drive + L"\\Boot\\BCD") && !PathExists(drive + L"\\Windows");
}

// Why the lettered partition behind a letter may not take a restore of an image of
// imageBytes on imageDrive, in the user's words; empty when it may, *out then filled.
std::wstring WhyNotTarget(const std::wstring& letter, const std::wstring& imageDrive, uint64_t imageBytes,
                          Candidate* out) {
  StorageDeviceNumber number;
  if (TheSeam().VolumeDeviceNumber(letter, &number) != VolumeOpen::Ok || number.deviceType != kFileDeviceDisk)
    return L"不是硬盘上的分区";
  int style = -1;
  if (!TheSeam().VolumePartitionStyle(letter, &style) || (style != 0 && style != 1)) return L"读不出分区的类型";
  const _PARTITIONS partition = TheDisk().GetPartition(static_cast<int>(number.partitionNumber),
                                                       static_cast<int>(number.deviceNumber));
  if (partition.partitionNumber == 0) return L"不在本软件启动时读到的磁盘上";
  if (HoldsTheImageInPe(letter, imageDrive)) return L"镜像就在这个分区上";
  if (InUseByThisRun(letter)) return L"正被PE或本软件使用";
  if (IsPortableDisk(number.deviceNumber)) return L"在U盘或可移动磁盘上";
  if (partition.layout.PartitionLength < 0 || static_cast<uint64_t>(partition.layout.PartitionLength) < imageBytes)
    return L"容量" + partition.size + L"，小于镜像";
  // A factory recovery or tool partition is often large enough and active, and inside a
  // PE it has a letter like the rest: it is never where the user's Windows goes.
  if (IsFactoryOrBootPartition(partition.layout, partition.label)) return L"是恢复分区、厂商的工具分区或启动分区";
  out->target = RestoreTarget{letter, partition.size, partition.label};
  out->disk = partition.diskIndex;
  out->active = partition.layout.PartitionStyle == layout::kStyleMbr && partition.layout.Mbr.BootIndicator;
  out->holdsWindows = HoldsWindows(letter);
  return std::wstring();
}

// The model's partition behind a lettered disk volume; false for anything else.
bool PartitionOfDrive(const std::wstring& drive, _PARTITIONS* partition) {
  StorageDeviceNumber number;
  if (TheSeam().VolumeDeviceNumber(drive, &number) != VolumeOpen::Ok || number.deviceType != kFileDeviceDisk)
    return false;
  *partition = TheDisk().GetPartition(static_cast<int>(number.partitionNumber), static_cast<int>(number.deviceNumber));
  return partition->partitionNumber != 0;
}

// Another lettered partition of a fixed disk that holds a Windows, other than the PE's
// own system; empty when there is none.
std::wstring OtherWindows(const std::wstring& drive) {
  const std::wstring peSystem = DriveOf(GetSystemDrive());
  for (const std::wstring& root : DriveRoots()) {
    const std::wstring letter = DriveOf(root);
    _PARTITIONS partition;
    if (letter == drive || letter == peSystem || !PartitionOfDrive(letter, &partition) ||
        IsPortableDisk(static_cast<uint32_t>(partition.diskIndex)))
      continue;
    if (HoldsWindows(letter)) return letter;
  }
  return std::wstring();
}

}  // namespace

std::vector<std::wstring> DriveRoots() {
  std::wstring buffer = TheSeam().LogicalDriveStrings();
  buffer.resize(256, L'\0');
  std::vector<std::wstring> roots;
  for (size_t slot = 0; slot < 64 && slot * 4 < buffer.size(); ++slot) {
    const wchar_t* entry = buffer.c_str() + slot * 4;
    if (!entry[0]) break;
    roots.emplace_back(entry, std::min<size_t>(3, std::char_traits<wchar_t>::length(entry)));
  }
  return roots;
}

RestoreTarget ChooseQuickInstallTarget(const std::wstring& image) {
  uint64_t imageBytes = 0;
  TheSeam().FileSize(image, &imageBytes);
  std::vector<Candidate> candidates;
  for (const std::wstring& root : DriveRoots()) {
    Candidate candidate;
    if (WhyNotTarget(DriveOf(root), DriveOf(image), imageBytes, &candidate).empty()) candidates.push_back(candidate);
  }
  if (candidates.empty()) return RestoreTarget();

  const std::wstring runningSystem = g_bInPE ? std::wstring() : DriveOf(GetSystemDrive());
  auto first = [&](auto wanted) { return std::find_if(candidates.begin(), candidates.end(), wanted); };
  auto chosen = first([&](const Candidate& c) { return c.target.letter == runningSystem; });
  if (chosen == candidates.end()) chosen = first([](const Candidate& c) { return c.holdsWindows; });
  if (chosen == candidates.end()) {
    for (auto it = candidates.begin(); it != candidates.end(); ++it)
      if (it->active && (chosen == candidates.end() || it->disk < chosen->disk)) chosen = it;
  }
  if (chosen == candidates.end()) chosen = candidates.begin();
  return chosen->target;
}

std::wstring NoQuickInstallTargetReason(const std::wstring& image) {
  uint64_t imageBytes = 0;
  TheSeam().FileSize(image, &imageBytes);
  std::wstring reason = Format(L"还原目标须是本机硬盘上的分区，容量不小于镜像（%.2f GB）；U盘和可移动磁盘上的分区不算在内。",
                               static_cast<double>(imageBytes) / (1024.0 * 1024.0 * 1024.0));
  if (g_bInPE) reason += L"\n在PE中，镜像所在的分区、PE和本软件所在的分区也不能作为目标。";
  reason += L"\n镜像：" + image;
  for (const std::wstring& root : DriveRoots()) {
    Candidate unused;
    const std::wstring why = WhyNotTarget(DriveOf(root), DriveOf(image), imageBytes, &unused);
    if (!why.empty()) reason += L"\n" + DriveOf(root) + L"：" + why;
  }
  return reason;
}

std::wstring OneClickRefusal(const std::wstring& drive, const std::wstring& action) {
  const std::wstring refusal = target_refusal::RestoreRefusal(drive, std::wstring(), action);
  if (!refusal.empty()) return refusal;
  // Inside a PE, C: is often the boot partition or a recovery partition; a backup of it
  // would end as a success while the user's Windows stays unsaved.
  _PARTITIONS partition;
  if (!g_bInPE || !PartitionOfDrive(drive, &partition)) return std::wstring();
  const std::wstring windows = HoldsWindows(drive) ? std::wstring() : OtherWindows(drive);
  if (!windows.empty())
    return Format(L"%s盘（%s，%s）中没有Windows，Windows在%s盘上，不能进行%s！请在“备份还原”页中选择分区。", drive,
                  partition.size, partition.label, windows, action);
  if (IsFactoryOrBootPartition(partition.layout, partition.label) || HoldsOnlyABootStore(drive))
    return Format(L"%s盘（%s，%s）是恢复分区、厂商的工具分区或启动分区，不是Windows所在的分区，不能进行%s！", drive,
                  partition.size, partition.label, action);
  return std::wstring();
}

}  // namespace main_page
