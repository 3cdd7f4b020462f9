// The partitions no restore may write, and why.
#include "deploy/target_refusal.h"

#include <cwctype>

#include "platform/format.h"
#include "platform/pe_flag.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace target_refusal {

namespace {
constexpr uint32_t kFileDeviceDisk = 7;
constexpr uint32_t kBusUsb = 7, kBusSd = 12, kBusMmc = 13;
}  // namespace

std::wstring DriveOf(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return std::wstring();
  return std::wstring(1, static_cast<wchar_t>(std::towupper(path[0]))) + L":";
}

bool IsPortableDisk(uint32_t disk) {
  StorageFacts facts;
  if (!TheSeam().DiskStorageFacts(static_cast<int>(disk), &facts)) return false;
  return facts.removableMedia || facts.busType == kBusUsb || facts.busType == kBusSd || facts.busType == kBusMmc;
}

bool InUseByThisRun(const std::wstring& drive) {
  if (!g_bInPE) return false;
  return drive == DriveOf(TheSeam().ModulePath()) || drive == DriveOf(GetSystemDrive());
}

std::wstring RestoreRefusal(const std::wstring& drive, const std::wstring& imagePath, const std::wstring& action) {
  StorageDeviceNumber number;
  if (TheSeam().VolumeDeviceNumber(drive, &number) == VolumeOpen::Ok && number.deviceType == kFileDeviceDisk &&
      IsPortableDisk(number.deviceNumber))
    return Format(L"%s盘位于U盘或可移动磁盘上，不是本机的系统分区，不能进行%s！", drive, action);
  if (InUseByThisRun(drive)) return Format(L"%s盘正被当前运行的PE或本软件使用，不能进行%s！", drive, action);
  if (g_bInPE && !imagePath.empty() && DriveOf(imagePath) == DriveOf(drive))
    return L"镜像文件位于要还原的分区上，还原时会被覆盖，请将镜像文件放到其他分区！";
  return std::wstring();
}

}  // namespace target_refusal
