// The DOS stage: checks, image move, DOS-stage files, boot entry and restart prompt.
#include "deploy/dos_stage.h"

#include <vector>

#include "deploy/boot_entry.h"
#include "deploy/staging_record.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/machine_change.h"
#include "platform/message_text.h"
#include "platform/pe_flag.h"
#include "platform/system.h"
#include "resources/resource.h"

namespace {

constexpr uint32_t kDiskDevice = 7;       // FILE_DEVICE_DISK
constexpr int kGptStyle = 1;
constexpr uint32_t kPayloadAttributes = 0x27;   // read-only, hidden, system, archive
constexpr uint32_t kNormalAttributes = 0x80;
constexpr uint32_t kNoFile = 0xFFFFFFFF;
// What a staging writes into the root of its place.
const wchar_t* const kStagedFiles[] = {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr", L"\\ghost.ba_", L"\\boot.in_"};
// Room a partition without a letter must have beyond the payload: the store's export
// and the file system's own needs.
constexpr uint64_t kPlaceSpare = 1u << 20;

// The image copy the last staging of this run made, removed again when that staging is
// undone, replaced or fails; the record keeps it for a later run.
std::wstring g_movedImage;

void Tell(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

bool SameDrive(const std::wstring& a, const std::wstring& b) {
  return a.size() >= 2 && b.size() >= 2 && ContainsText(a.substr(0, 2), b.substr(0, 2), false);
}

// A drive ("C:") or a volume path, compared without case.
bool SamePlace(const std::wstring& a, const std::wstring& b) { return a.size() == b.size() && ContainsText(a, b, false); }

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
// loader of a loader's size, and a boot-sector loader that starts kxldr. The loader keeps
// its preset menu compressed; the build checked that menu when it took the loader in.
bool PayloadLooksBootable() {
  std::string image, loader, loaderMbr;
  Seam& seam = TheSeam();
  if (!seam.ResourceBytes(IDR_DOS_IMAGE, L"FILE", &image) || !seam.ResourceBytes(IDR_LOADER, L"FILE", &loader) ||
      !seam.ResourceBytes(IDR_LOADER_MBR, L"FILE", &loaderMbr))
    return false;
  bool floppy = (image.size() == 1474560 || image.size() == 2949120) && static_cast<uint8_t>(image[510]) == 0x55 &&
                static_cast<uint8_t>(image[511]) == 0xAA;
  bool menu = loader.size() >= 16 * 1024 && loader.size() <= 1024 * 1024;
  bool chain = loaderMbr.size() >= 1024 && loaderMbr.size() <= 64 * 1024 && ContainsNoCase(loaderMbr, "KXLDR");
  return floppy && menu && chain;
}

uint64_t PayloadBytes() {
  uint64_t total = kDosLineLimit + 1;
  for (int id : {IDR_DOS_IMAGE, IDR_LOADER, IDR_LOADER_MBR}) {
    std::string bytes;
    if (TheSeam().ResourceBytes(id, L"FILE", &bytes)) total += bytes.size();
  }
  return total;
}

// The places that may hold DOS-stage files: the system drive, and the partition of the
// live store when that is another one.
std::vector<std::wstring> StagePlaces() {
  std::vector<std::wstring> places{GetSystemDrive()};
  std::wstring store = UsesBootIni(GetOSMajorVersion()) ? L"" : BcdStorePlace();
  if (!store.empty() && !SamePlace(store, places[0])) places.push_back(store);
  if (places[0].empty()) places.erase(places.begin());
  return places;
}

void RemoveStagedFiles(const std::wstring& place) {
  for (const wchar_t* name : kStagedFiles) {
    std::wstring path = place + name;
    if (TheSeam().FileAttributes(path) == kNoFile) continue;
    TheSeam().SetAttributes(path, kNormalAttributes);
    TheSeam().RemoveFile(path);
  }
}

// Why the DOS stage cannot go onto the partition of the live store, or empty when it can:
// it must be the system drive, or an MBR partition of the system drive's disk (the one the
// boot manager starts from) with room for the payload.
std::wstring StorePlaceRefusal(const std::wstring& place, const std::wstring& systemDrive) {
  if (SamePlace(place, systemDrive)) return L"";
  const std::wstring unusable =
      L"不支持在桌面条件下对启动数据位于其他硬盘、GPT分区或无法识别的分区上的电脑进行安装，请在PE中进行安装！";
  StorageDeviceNumber store, system;
  int style = 0;
  if (place.empty() || !GetVolumeDeviceNumber(place, &store) || !GetVolumeDeviceNumber(systemDrive, &system) ||
      store.deviceType != kDiskDevice || store.deviceNumber != system.deviceNumber ||
      !GetVolumePartitionStyle(place, &style) || style != 0)
    return unusable;
  uint64_t freeBytes = 0, storeBytes = 0;
  TheSeam().FileSize(place + L"\\Boot\\BCD", &storeBytes);
  if (!TheSeam().FreeBytes(place + L"\\", &freeBytes) || freeBytes < PayloadBytes() + storeBytes + kPlaceSpare)
    return L"系统保留分区的剩余空间不足，无法写入DOS启动文件，请在PE中进行安装！";
  return L"";
}

// The copy the waiting job's staging made, in this run or (by its record) an earlier one.
std::wstring MovedImage() { return g_movedImage.empty() ? RecordedMovedImage() : g_movedImage; }

void RemoveMovedImage() {
  const std::wstring moved = MovedImage();
  if (!moved.empty()) DeletePath(moved);
  g_movedImage.clear();
  ForgetMovedImage();
}

// A payload of ours on a volume other than where this staging writes: the boot-sector
// loader starts the first kxldr it finds, that loader boots the first kxdos.ima, and
// BATCH.BAT takes its job from the last volume holding one. Another PC's disk or stick
// with a job that never ran would run that job, or its old DOS stage, instead of this one.
struct Leftovers {
  std::wstring place;                 // "F:" or a volume path
  std::wstring where;                 // how the user knows it
  std::vector<std::wstring> names;    // "kxdos.ima"…
};

bool IsDiskVolume(const std::wstring& volume, StorageDeviceNumber* number) {
  return TheSeam().VolumeDeviceNumber(volume, number) == VolumeOpen::Ok && number->deviceType == kDiskDevice;
}

// Every volume of a disk, fixed or removable, as DOS letters them all: by letter, then the
// volumes without one (a system partition, a stick's second partition).
std::vector<Leftovers> DosVolumes() {
  std::vector<Leftovers> volumes;
  std::vector<std::wstring> lettered;
  std::wstring drives = TheSeam().LogicalDriveStrings();
  drives.resize(256, L'\0');
  StorageDeviceNumber number;
  for (size_t slot = 0; slot < 64 && drives[slot * 4] != L'\0'; ++slot) {
    std::wstring letter = Format(L"%c:", drives[slot * 4]);
    if (!IsDiskVolume(letter, &number)) continue;
    volumes.push_back({letter, Format(L"%s盘", letter), {}});
    lettered.push_back(TheSeam().VolumeGuidPath(letter + L"\\"));
  }
  for (std::wstring volume : TheSeam().VolumeNames()) {
    bool hasLetter = false;
    for (const std::wstring& name : lettered) hasLetter |= SamePlace(name, volume);
    if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
    if (hasLetter || volume.empty() || !IsDiskVolume(volume, &number)) continue;
    volumes.push_back({volume, Format(L"硬盘%d的第%d个分区（无盘符）", number.deviceNumber, number.partitionNumber), {}});
  }
  return volumes;
}

// The volumes other than the places of our own stagings that hold a loader or floppy
// image of ours, with every staged file found beside it.
std::vector<Leftovers> ForeignPayloads() {
  const std::vector<std::wstring> ours = StagePlaces();
  std::vector<Leftovers> found;
  for (Leftovers volume : DosVolumes()) {
    bool own = false;
    for (const std::wstring& place : ours) own |= SamePlace(place, volume.place);
    if (own || (!PathExists(volume.place + L"\\kxdos.ima") && !PathExists(volume.place + L"\\kxldr"))) continue;
    for (const wchar_t* name : kStagedFiles)
      if (TheSeam().FileAttributes(volume.place + name) != kNoFile) volume.names.push_back(name + 1);
    found.push_back(volume);
  }
  return found;
}

// Removing them is asked, not done unasked: they may belong to another PC whose job still
// waits, and whose boot entry then names files that are gone.
bool MayRemoveLeftovers(const std::vector<Leftovers>& leftovers) {
  if (leftovers.empty()) return true;
  std::wstring text = L"以下分区的根目录下有另一次DOS安装留下的文件，下次启动时可能执行其中的旧任务而不是本次任务：\n";
  for (const Leftovers& volume : leftovers) {
    text += volume.where + L"：";
    for (size_t i = 0; i < volume.names.size(); ++i) text += (i ? L"、" : L"") + volume.names[i];
    text += L"\n";
  }
  text += L"是否删除这些文件并继续？若它们属于另一台电脑上尚未执行的任务，那台电脑的启动项需要重新设置。";
  return ShowMessage(text, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) == mbox::IdYes;
}

// The path of the first leftover that is still there after its removal; empty when all
// went. The floppy image and the loader go last: what a cut leaves is still found as a
// payload next time, and removed then.
std::wstring RemoveLeftovers(const std::vector<Leftovers>& leftovers) {
  for (const Leftovers& volume : leftovers) {
    for (auto name = volume.names.rbegin(); name != volume.names.rend(); ++name) {
      const std::wstring path = volume.place + L"\\" + *name;
      TheSeam().SetAttributes(path, kNormalAttributes);
      TheSeam().RemoveFile(path);
      if (TheSeam().FileAttributes(path) != kNoFile) return path;
    }
  }
  return L"";
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

const wchar_t kPayloadIncompleteText[] = L"本软件缺少DOS安装所需的组件，无法在桌面条件下进行安装，请在PE中进行安装！";

bool DosLettersType(uint8_t type) {
  for (uint8_t lettered : {0x01, 0x04, 0x06, 0x07, 0x0B, 0x0C, 0x0E})
    if (type == lettered) return true;
  return false;
}

bool PayloadComplete() {
  std::string mark;
  return TheSeam().ResourceBytes(IDR_PAYLOAD_MARK, L"FILE", &mark) && mark == "complete" && PayloadLooksBootable();
}

bool DosStageWaiting() {
  for (const std::wstring& place : StagePlaces())
    if (PathExists(place + L"\\ghost.ba_") || PathExists(place + L"\\kxdos.ima")) return true;
  return false;
}

void RemoveDosStageFiles() {
  for (const std::wstring& place : StagePlaces()) RemoveStagedFiles(place);
}

bool UndoStaging() {
  // Files left by a staging whose BOOT.INI edit is already gone need no restore; a restore
  // that failed may still have taken the entry out (the saved copy put back whole).
  bool restored = UsesBootIni(GetOSMajorVersion())
                      ? !BootIniHoldsEntry() || RestoreBootIni() || !BootIniHoldsEntry()
                      : RestoreBcd();
  // While the boot entry is still there its files must stay, or it names missing ones.
  if (restored) {
    RemoveDosStageFiles();
    PutFastStartupBack();
  }
  return restored;
}

uint32_t GhostDiskNumber(uint32_t disk, uint32_t bootDisk) {
  if (disk == bootDisk) return 1;
  return disk < bootDisk ? disk + 2 : disk + 1;
}

std::wstring GetGhostNumber(const std::wstring& volume, uint32_t bootDisk) {
  StorageDeviceNumber number;
  if (!GetVolumeDeviceNumber(volume, &number)) return L"";
  return Format(L"%u:%u", GhostDiskNumber(number.deviceNumber, bootDisk), number.partitionNumber);
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

bool WriteDosStageFiles(const std::wstring& batchLine, const std::wstring& place) {
  std::string line = TheSeam().WideToAnsi(batchLine);
  std::wstring drive = place.empty() ? GetSystemDrive() : place;
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

namespace {

DosStagePlan RefusedPlan(GhostCode code, const std::wstring& reason) {
  DosStagePlan plan;
  plan.refusal = GhostOutcome{code, reason};
  return plan;
}

GhostOutcome Stop(GhostCode code, const std::wstring& reason = L"") { return GhostOutcome{code, reason}; }

// "获取分区类型失败！" with the partition whose style could not be read and the system's
// reason, read right after the failed query.
std::wstring StyleUnreadable(const std::wstring& drive) {
  const uint32_t code = TheSeam().LastError();
  const std::wstring which = drive.empty() ? std::wstring(L"找不到系统盘") : drive + L"盘的分区信息读不出来";
  return WithErrorText(L"获取分区类型失败！\n" + which, code);
}

}  // namespace

DosStagePlan CheckDosStage(const GhostJob& job) {
  constexpr GhostCode Failed = GhostCode::StagingFailed, Refused = GhostCode::StagingRefused;
  // A boot entry must never point at a loader that cannot boot.
  if (!PayloadComplete()) return RefusedPlan(Failed, kPayloadIncompleteText);

  std::wstring systemDrive = GetSystemDrive();
  int systemStyle = 0, targetStyle = 0;
  if (!GetVolumePartitionStyle(systemDrive, &systemStyle)) return RefusedPlan(Failed, StyleUnreadable(systemDrive));
  if (!GetVolumePartitionStyle(job.target, &targetStyle)) return RefusedPlan(Failed, StyleUnreadable(job.target));
  if (systemStyle == kGptStyle || targetStyle == kGptStyle)
    return RefusedPlan(Refused, L"不支持在桌面条件下对GPT分区进行安装，请在PE中进行安装！");
  // The boot-sector loader starts only under BIOS.
  if (TheSeam().FirmwareIsUefi())
    return RefusedPlan(Refused, L"不支持在桌面条件下对UEFI启动的电脑进行安装，请在PE中进行安装！");
  // The XP entry names C:\KXLDR.MBR. The DOS stage puts the store back on the partition
  // that holds its files, so they go where the live store is.
  DosStagePlan plan;
  plan.bootIni = UsesBootIni(GetOSMajorVersion());
  if (plan.bootIni && !SameDrive(systemDrive, L"C:"))
    return RefusedPlan(Refused, L"不支持在桌面条件下对安装在C盘以外的Windows XP进行安装，请在PE中进行安装！");
  plan.place = plan.bootIni ? systemDrive : BcdStorePlace();
  std::wstring placeRefusal = plan.bootIni ? L"" : StorePlaceRefusal(plan.place, systemDrive);
  if (!placeRefusal.empty()) return RefusedPlan(Refused, placeRefusal);
  // The loader would still boot the floppy image there, but the batch would find nothing
  // and the machine would stop in DOS at every start.
  uint8_t placeType = 0;
  if (GetVolumeMbrType(plan.place, &placeType) && !DosLettersType(placeType))
    return RefusedPlan(
        Refused, Format(L"启动数据所在分区的类型（0x%02X）为隐藏或厂商专用类型，DOS下无法访问，请在PE中进行安装！", placeType));

  // The partition of the live store (or BOOT.INI) is the active one: its disk starts.
  StorageDeviceNumber image, target, boot;
  if (job.imagePath.size() < 2 || !GetVolumeDeviceNumber(job.imagePath.substr(0, 2), &image) ||
      !GetVolumeDeviceNumber(job.target, &target) || !GetVolumeDeviceNumber(plan.place, &boot))
    return RefusedPlan(Failed, L"获取分区编号信息失败！");
  // Beside the starting disk the BIOS order is known only when there is one other disk.
  plan.diskOrderGuessed = target.deviceNumber != boot.deviceNumber && CountPhysicalDrives() > 2;

  // DOS Ghost reads and writes the image through a partition of the target's disk,
  // and never the target partition itself.
  // A volume that is no disk (a DVD) is not readable by DOS where it is.
  bool imageMayStay = image.deviceType == kDiskDevice && image.deviceNumber == target.deviceNumber &&
                      image.partitionNumber != target.partitionNumber;
  plan.imagePath = job.imagePath;
  if (!imageMayStay) {
    if (job.restore != 1) return RefusedPlan(Failed, L"需要备份的分区和保存的GHO文件需要在同一个物理磁盘！");
    std::wstring transfer = FindTransferDrive(target);
    if (transfer.empty())
      return RefusedPlan(Failed, L"GHO文件和安装的分区不在同一个硬盘上，且找不到适合转移的分区！");
    plan.imagePath = transfer + L"\\" + TransferStamp(TheSeam().Now()) + L".GHO";
  }

  // The line is checked before anything is copied or written.
  std::wstring targetNumber = GetGhostNumber(job.target, boot.deviceNumber);
  std::wstring imageNumber = GetGhostNumber(plan.imagePath.substr(0, 2), boot.deviceNumber);
  if (targetNumber.empty() || imageNumber.empty()) return RefusedPlan(Failed, L"获取分区编号信息失败！");
  std::wstring pathOnDrive = plan.imagePath.substr(2);
  if (!DosCanTakePath(pathOnDrive))
    return RefusedPlan(Failed, L"GHO文件的路径含有空格、中文或DOS无法识别的字符，请更改路径或在PE中进行安装！");
  plan.line = GhostDosCommand(job, targetNumber, imageNumber + pathOnDrive);
  if (plan.line.size() > kDosLineLimit && job.restore == 1 && plan.imagePath == job.imagePath) {
    // A deep path: the image goes to the root of its partition under a short name.
    plan.imagePath = plan.imagePath.substr(0, 2) + L"\\" + TransferStamp(TheSeam().Now()) + L".GHO";
    pathOnDrive = plan.imagePath.substr(2);
    plan.line = GhostDosCommand(job, targetNumber, imageNumber + pathOnDrive);
  }
  if (plan.line.size() > kDosLineLimit)
    return RefusedPlan(Failed, L"GHO文件的路径过长，DOS无法识别，请更改路径或在PE中进行安装！");
  return plan;
}

GhostOutcome StageGhostJob(GhostJob job) {
  // The machine is checked again: it may have changed since the page's question.
  const DosStagePlan plan = CheckDosStage(job);
  if (plan.Refused()) return plan.refusal;
  const std::wstring& place = plan.place;
  const bool bootIni = plan.bootIni;
  if (plan.diskOrderGuessed &&
      ShowMessage(L"检测到您的电脑疑似有多个硬盘，在多硬盘条件下Windows与DOS对硬盘的排序可能有差异，"
                  L"建议您在PE中进行安装！是否继续进行？",
                  mbox::YesNo | mbox::DefaultNo) != mbox::IdYes)
    return Stop(GhostCode::Declined);

  const std::vector<Leftovers> leftovers = ForeignPayloads();
  if (!MayRemoveLeftovers(leftovers)) return Stop(GhostCode::Declined);

  // A job that still waits for the next start is put away first: its entry would
  // otherwise be saved as the configuration to go back to.
  if (DosStageWaiting()) {
    if (ShowMessage(L"系统盘上已有一个等待下次启动时执行的GHOST任务，是否撤销该任务并以本次任务代替？",
                    mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes)
      return Stop(GhostCode::Declined);
    // The undo has told what became of the boot data; what it means for both jobs is said here.
    if (!UndoStaging())
      return Stop(GhostCode::StagingFailed,
                  L"撤销已有的GHOST任务失败，本次任务没有设置！\n下次启动电脑时仍会执行原来的GHOST任务。");
    // The copy that job's staging made goes with it, unless it is the image of this one.
    if (!SamePlace(MovedImage(), job.imagePath)) RemoveMovedImage();
  }
  g_movedImage.clear();
  ForgetMovedImage();

  const std::wstring stays = RemoveLeftovers(leftovers);
  if (!stays.empty()) return Stop(GhostCode::StagingFailed, L"无法删除" + stays + L"，安装终止！");
  if (plan.imagePath != job.imagePath) {
    if (!CopyPath(job.imagePath, plan.imagePath)) return Stop(GhostCode::StagingFailed, L"转移文件失败，安装终止！");
    job.imagePath = g_movedImage = plan.imagePath;
    RecordMovedImage(plan.imagePath);
  }

  // Whatever stops the staging from here on leaves no file behind that could run later;
  // and the loader and the DOS batch must find one payload only.
  for (const std::wstring& other : StagePlaces())
    if (!SamePlace(other, place)) RemoveStagedFiles(other);
  if (!WriteDosStageFiles(plan.line, place)) {
    RemoveStagedFiles(place);
    RemoveMovedImage();
    return Stop(GhostCode::StagingFailed, L"写入DOS启动文件失败，安装终止！");
  }
  // BOOT.INI's edit tells its own reason; bcdedit's failing step is named here.
  std::wstring why;
  if (!(bootIni ? AddBootIniEntry() : AddBcdEntry(&why))) {
    // A BOOT.INI that could be neither edited nor put back may still name the loader:
    // then the entry's files must stay.
    if (bootIni && BootIniHoldsEntry())
      return Stop(GhostCode::BootEntryFailed,
                  L"设置启动数据失败！BOOT.INI中仍有本次任务的启动项，下次启动电脑时将执行本次GHOST任务。");
    RemoveStagedFiles(place);
    RemoveMovedImage();
    return Stop(GhostCode::BootEntryFailed, why.empty() ? L"设置启动数据失败！" : L"设置启动数据失败！\n" + why);
  }
  // A shutdown with Fast Startup before the job runs would leave Windows' partition
  // hibernated, which the DOS stage writes to (and a backup images): held off until then.
  HoldFastStartupOff();
  return Stop(GhostCode::Staged);
}

void PromptRestart() {
  // "否" is the default: one Enter must not restart and lose unsaved work elsewhere.
  if (g_bInPE) {
    if (ShowMessage(L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启",
                    mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) == mbox::IdYes)
      RebootSystem();
    return;
  }
  std::wstring question = L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启，“取消”撤销安装！";
  if (FastStartupHeldOff())
    question += L"\n本机的快速启动已暂时关闭，关机后再开机也会执行本次任务；任务执行后，下次运行本软件时会重新开启快速启动。";
  else if (FastStartupOn())
    question += L"\n本机已开启快速启动：只有重启电脑才会执行本次任务，关机后再开机不会执行。";
  int answer = ShowMessage(question, mbox::YesNoCancel | mbox::IconQuestion | mbox::DefaultNo);
  if (answer == mbox::IdYes) {
    RebootSystem();
  } else if (answer == mbox::IdCancel) {
    MachineChange undoing(kStagingUnderWay);   // the session may not end half-way
    if (UndoStaging()) RemoveMovedImage();
    else Tell(L"撤销安装失败，下次启动电脑时仍会执行本次GHOST任务！");
  }
}
