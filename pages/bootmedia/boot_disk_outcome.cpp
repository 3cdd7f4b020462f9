// The texts of the boot disk's outcomes.
#include "pages/bootmedia/boot_disk_outcome.h"

namespace boot_disk {

const wchar_t* BootDiskOutcomeText(BootDiskCode code) {
  switch (code) {
    case BootDiskCode::Done: return L"";
    case BootDiskCode::ToolMissing: return L"找不到制作工具FbinstPlus！\n%s";
    case BootDiskCode::ArchiveMissing: return L"找不到制作启动盘必要的数据！\n%s";
    case BootDiskCode::DiskChanged: return L"%s";
    case BootDiskCode::FolderMissing: return L"找不到文件夹%s，没有格式化磁盘！";
    case BootDiskCode::ImageMissing: return L"找不到要拷贝的%s，没有格式化磁盘！";
    case BootDiskCode::Unreadable: return L"无法读取%s，没有格式化磁盘！";
    case BootDiskCode::FileTooLarge: return L"%s有4 GB或更大，启动盘的FAT32分区放不下它，没有格式化磁盘！";
    case BootDiskCode::NoRoom:
    case BootDiskCode::NoRoomOnVolume: return L"启动盘的空间不够：要拷贝的文件共%.2f GB，设备(HD%d)上只有%.2f GB可用！";
    case BootDiskCode::FormatFailed: return L"格式化出错！";
    case BootDiskCode::NoNewVolume: return L"找不到启动盘的新分区，没有拷贝任何数据！";
    case BootDiskCode::Stopped: return L"已停止拷贝，启动盘上的数据不完整！";
    case BootDiskCode::CopyFailed: return L"%s";
    case BootDiskCode::RestoreFailed: return L"恢复启动盘出错！(错误代码：%d)";
  }
  return L"";
}

bool BootDiskOutcomeBoxed(BootDiskCode code) {
  switch (code) {
    case BootDiskCode::ToolMissing:
    case BootDiskCode::ArchiveMissing:
    case BootDiskCode::DiskChanged:
    case BootDiskCode::FolderMissing:
    case BootDiskCode::ImageMissing:
    case BootDiskCode::Unreadable:
    case BootDiskCode::FileTooLarge:
    case BootDiskCode::NoRoom:
    case BootDiskCode::CopyFailed: return true;
    default: return false;
  }
}

}  // namespace boot_disk
