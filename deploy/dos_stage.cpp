// The DOS stage: checks, image move, DOS-stage files, boot entry and restart prompt.
#include "deploy/dos_stage.h"

#include "deploy/boot_entry.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/pe_flag.h"
#include "platform/system.h"
#include "resources/resource.h"

namespace {

constexpr uint32_t kDiskDevice = 7;       // FILE_DEVICE_DISK
constexpr int kGptStyle = 1;
constexpr uint32_t kPayloadAttributes = 0x27;   // read-only, hidden, system, archive
constexpr uint32_t kNormalAttributes = 0x80;
constexpr uint32_t kNoFile = 0xFFFFFFFF;
// What a staging writes into the root of the system drive.
const wchar_t* const kStagedFiles[] = {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr", L"\\ghost.ba_", L"\\boot.in_"};

void Tell(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

int Refuse(const std::wstring& text, int result) {
  Tell(text);
  return result;
}

bool SameDrive(const std::wstring& a, const std::wstring& b) {
  return a.size() >= 2 && b.size() >= 2 && ContainsText(a.substr(0, 2), b.substr(0, 2), false);
}

bool ContainsNoCase(const std::string& bytes, const std::string& text) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t at = 0; at + text.size() <= bytes.size(); ++at) {
    size_t i = 0;
    while (i < text.size() && lower(bytes[at + i]) == lower(text[i])) ++i;
    if (i == text.size()) return true;
  }
  return false;
}

// The payload's files look like what they claim: a bootable 1.44 or 2.88 MB floppy, a
// loader whose preset menu boots kxdos.ima, and a boot-sector loader that starts kxldr.
bool PayloadLooksBootable() {
  std::string image, loader, loaderMbr;
  Seam& seam = TheSeam();
  if (!seam.ResourceBytes(IDR_DOS_IMAGE, L"FILE", &image) || !seam.ResourceBytes(IDR_LOADER, L"FILE", &loader) ||
      !seam.ResourceBytes(IDR_LOADER_MBR, L"FILE", &loaderMbr))
    return false;
  bool floppy = (image.size() == 1474560 || image.size() == 2949120) && static_cast<uint8_t>(image[510]) == 0x55 &&
                static_cast<uint8_t>(image[511]) == 0xAA;
  bool menu = loader.size() >= 16 * 1024 && loader.size() <= 1024 * 1024 && ContainsNoCase(loader, "kxdos.ima");
  bool chain = loaderMbr.size() >= 1024 && loaderMbr.size() <= 64 * 1024 && ContainsNoCase(loaderMbr, "KXLDR");
  return floppy && menu && chain;
}

}  // namespace

std::wstring TransferStamp(const LocalTime& t) {
  return Format(L"%d%d%d%d%d%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::wstring GhostDosCommand(const GhostJob& job, const std::wstring& targetNumber,
                             const std::wstring& imageLocation) {
  if (job.restore == 1)
    return Format(L"ghost.exe -noide -nousb -clone,mode=pload,src=%s:1,dst=%s -crcignore -sure -rb",
                  imageLocation, targetNumber);
  return Format(L"ghost.exe -noide -nousb -clone,mode=pdump,src=%s,dst=%s -z%d -crcignore -sure -rb",
                targetNumber, imageLocation, job.compression);
}

bool DosCanTakePath(const std::wstring& path) {
  for (wchar_t c : path)
    if (c <= L' ' || c > L'~' || c == L'%' || c == L',') return false;
  return true;
}

bool PayloadComplete() {
  std::string mark;
  return TheSeam().ResourceBytes(IDR_PAYLOAD_MARK, L"FILE", &mark) && mark == "complete" && PayloadLooksBootable();
}

bool DosStageWaiting() {
  std::wstring drive = GetSystemDrive();
  return !drive.empty() && (PathExists(drive + L"\\ghost.ba_") || PathExists(drive + L"\\kxdos.ima"));
}

void RemoveDosStageFiles() {
  std::wstring drive = GetSystemDrive();
  if (drive.empty()) return;
  for (const wchar_t* name : kStagedFiles) {
    std::wstring path = drive + name;
    if (TheSeam().FileAttributes(path) == kNoFile) continue;
    TheSeam().SetAttributes(path, kNormalAttributes);
    TheSeam().RemoveFile(path);
  }
}

bool UndoStaging() {
  // Files left by a staging whose BOOT.INI edit is already gone need no restore.
  bool restored = UsesBootIni(GetOSMajorVersion()) ? !BootIniHoldsEntry() || RestoreBootIni() : RestoreBcd();
  // While the boot entry is still there its files must stay, or it names missing ones.
  if (restored) RemoveDosStageFiles();
  return restored;
}

std::wstring GetGhostNumber(const std::wstring& volume) {
  StorageDeviceNumber number;
  if (!GetVolumeDeviceNumber(volume, &number)) return L"";
  return Format(L"%d:%d", number.deviceNumber + 1, number.partitionNumber);
}

std::wstring FindTransferDrive(const StorageDeviceNumber& target) {
  std::wstring drives = TheSeam().LogicalDriveStrings();
  drives.resize(256, L'\0');
  std::wstring found;
  for (size_t slot = 0; slot < 64 && drives[slot * 4] != L'\0'; ++slot) {
    std::wstring volume = Format(L"%c:", drives[slot * 4]);
    StorageDeviceNumber number;
    if (GetVolumeDeviceNumber(volume, &number) && number.deviceType == kDiskDevice &&
        number.deviceNumber == target.deviceNumber && number.partitionNumber != target.partitionNumber)
      found = volume;
  }
  return found;
}

bool WriteResourceFile(int id, const std::wstring& path) {
  std::string bytes;
  if (!TheSeam().ResourceBytes(id, L"FILE", &bytes)) return false;
  if (PathExists(path)) RunSystemTool(L"attrib.exe -S -H -R " + path, true, false);
  if (!TheSeam().WriteNewFile(path, bytes)) return false;
  TheSeam().SetAttributes(path, kPayloadAttributes);
  return true;
}

bool WriteDosStageFiles(const std::wstring& batchLine) {
  std::string line = TheSeam().WideToAnsi(batchLine);
  std::wstring drive = GetSystemDrive();
  if (drive.empty() || line.size() > kDosLineLimit) return false;
  if (!WriteResourceFile(IDR_DOS_IMAGE, drive + L"\\kxdos.ima") ||
      !WriteResourceFile(IDR_LOADER, drive + L"\\kxldr") ||
      !WriteResourceFile(IDR_LOADER_MBR, drive + L"\\kxldr.mbr"))
    return false;
  // The batch of an earlier staging that never ran may be read-only or hidden, which
  // would make the new one fail to replace it.
  std::wstring batch = drive + L"\\ghost.ba_";
  if (TheSeam().FileAttributes(batch) != kNoFile) TheSeam().SetAttributes(batch, kNormalAttributes);
  return TheSeam().WriteNewFile(batch, line);
}

int StageGhostJob(GhostJob job) {
  using namespace ghost_result;
  // A boot entry must never point at a loader that cannot boot.
  if (!PayloadComplete())
    return Refuse(L"本软件缺少DOS安装所需的组件，无法在桌面条件下进行安装，请在PE中进行安装！", StagingFailed);

  std::wstring systemDrive = GetSystemDrive();
  int systemStyle = 0, targetStyle = 0;
  if (!GetVolumePartitionStyle(systemDrive, &systemStyle) || !GetVolumePartitionStyle(job.target, &targetStyle))
    return Refuse(L"获取分区类型失败！", StagingFailed);
  if (systemStyle == kGptStyle || targetStyle == kGptStyle)
    return Refuse(L"不支持在桌面条件下对GPT分区进行安装，请在PE中进行安装！", Refused);
  // The boot-sector loader starts only under BIOS.
  if (TheSeam().FirmwareIsUefi())
    return Refuse(L"不支持在桌面条件下对UEFI启动的电脑进行安装，请在PE中进行安装！", Refused);
  // The XP entry names C:\KXLDR.MBR, and the DOS stage puts back only the store that
  // lies on the system drive.
  bool bootIni = UsesBootIni(GetOSMajorVersion());
  if (bootIni && !SameDrive(systemDrive, L"C:"))
    return Refuse(L"不支持在桌面条件下对安装在C盘以外的Windows XP进行安装，请在PE中进行安装！", Refused);
  if (!bootIni && !BcdStoreOnSystemDrive())
    return Refuse(L"不支持在桌面条件下对启动数据不在系统盘上（位于隐藏的系统保留分区）的电脑进行安装，请在PE中进行安装！",
                  Refused);

  if (CountPhysicalDrives() > 2 &&
      ShowMessage(L"检测到您的电脑疑似有多个硬盘，在多硬盘条件下Windows与DOS对硬盘的排序可能有差异，"
                  L"建议您在PE中进行安装！是否继续进行？",
                  mbox::YesNo | mbox::DefaultNo) != mbox::IdYes)
    return Declined;

  StorageDeviceNumber image, target;
  if (job.imagePath.size() < 2 || !GetVolumeDeviceNumber(job.imagePath.substr(0, 2), &image) || !GetVolumeDeviceNumber(job.target, &target))
    return Refuse(L"获取分区编号信息失败！", StagingFailed);

  // DOS Ghost reads and writes the image through a partition of the target's disk,
  // and never the target partition itself.
  // A volume that is no disk (a DVD) is not readable by DOS where it is.
  bool imageMayStay = image.deviceType == kDiskDevice && image.deviceNumber == target.deviceNumber &&
                      image.partitionNumber != target.partitionNumber;
  std::wstring imagePath = job.imagePath;
  if (!imageMayStay) {
    if (job.restore != 1) return Refuse(L"需要备份的分区和保存的GHO文件需要在同一个物理磁盘！", StagingFailed);
    std::wstring transfer = FindTransferDrive(target);
    if (transfer.empty())
      return Refuse(L"GHO文件和安装的分区不在同一个硬盘上，且找不到适合转移的分区！", StagingFailed);
    imagePath = transfer + L"\\" + TransferStamp(TheSeam().Now()) + L".GHO";
  }

  // The line is checked before anything is copied or written.
  std::wstring targetNumber = GetGhostNumber(job.target);
  std::wstring imageNumber = GetGhostNumber(imagePath.substr(0, 2));
  if (targetNumber.empty() || imageNumber.empty()) return Refuse(L"获取分区编号信息失败！", StagingFailed);
  std::wstring pathOnDrive = imagePath.substr(2);
  if (!DosCanTakePath(pathOnDrive))
    return Refuse(L"GHO文件的路径含有空格、中文或DOS无法识别的字符，请更改路径或在PE中进行安装！", StagingFailed);
  std::wstring line = GhostDosCommand(job, targetNumber, imageNumber + pathOnDrive);
  if (line.size() > kDosLineLimit)
    return Refuse(L"GHO文件的路径过长，DOS无法识别，请更改路径或在PE中进行安装！", StagingFailed);

  // A job that still waits for the next start is put away first: its entry would
  // otherwise be saved as the configuration to go back to.
  if (DosStageWaiting()) {
    if (ShowMessage(L"系统盘上已有一个等待下次启动时执行的GHOST任务，是否撤销该任务并以本次任务代替？",
                    mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes)
      return Declined;
    if (!UndoStaging()) return StagingFailed;
  }

  if (imagePath != job.imagePath) {
    if (!CopyPath(job.imagePath, imagePath)) return Refuse(L"转移文件失败，安装终止！", StagingFailed);
    job.imagePath = imagePath;
  }

  // Whatever stops the staging from here on leaves no file behind that could run later.
  if (!WriteDosStageFiles(line)) {
    RemoveDosStageFiles();
    return Refuse(L"写入DOS启动文件失败，安装终止！", StagingFailed);
  }
  if (!(bootIni ? AddBootIniEntry() : AddBcdEntry())) {
    RemoveDosStageFiles();
    return Refuse(L"设置启动数据失败！", Failed);
  }
  return Done;
}

void PromptRestart() {
  if (g_bInPE) {
    if (ShowMessage(L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启",
                    mbox::YesNo | mbox::IconQuestion) == mbox::IdYes)
      RebootSystem();
    return;
  }
  int answer = ShowMessage(L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启，“取消”撤销安装！",
                           mbox::YesNoCancel | mbox::IconQuestion);
  if (answer == mbox::IdYes) {
    RebootSystem();
  } else if (answer == mbox::IdCancel && !UndoStaging()) {
    Tell(L"撤销安装失败，下次启动电脑时仍会执行本次GHOST任务！");
  }
}
