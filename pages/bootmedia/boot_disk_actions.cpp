// The boot disk page's logic: device entries, FbinstPlus command lines, refusals, the make,
// the restore and the image search, over the seam.
#include "pages/bootmedia/boot_disk_actions.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cwctype>
#include <utility>

#include "pages/bootmedia/boot_disk_copy.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/system.h"

namespace boot_disk {

const wchar_t* const kSystemNames[kSystemCount] = {L"WINXP.GHO",  L"WIN732.GHO",  L"WIN764.GHO",
                                                   L"WIN832.GHO", L"WIN864.GHO",  L"WIN1032.GHO",
                                                   L"WIN1064.GHO"};
const wchar_t* const kSystemDescriptions[kSystemCount] = {
    L"Windows XP",      L"Windows 7 32位",  L"Windows 7 64位", L"Windows 8 32位",
    L"Windows 8 64位",  L"Windows 10 32位", L"Windows 10 64位"};

namespace {

constexpr wchar_t kProtectDiskZero[] = L"为了保护用户磁盘，禁止对设备(HD0)进行操作！";
constexpr long long kSectorsPerMb = 2048;
constexpr unsigned kDefaultNo = 0x100;   // MB_DEFBUTTON2: "否"

// Blanks, an optional sign, then digits up to the first other character; saturates.
int LeadingInteger(const std::wstring& text) {
  size_t at = 0;
  while (at < text.size() && std::iswspace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    value = value * 10 + (text[at] - L'0');
    if (value > INT_MAX) { value = static_cast<long long>(INT_MAX) + 1; }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// The path a missing tool or archive was expected at: the one chosen, or the place
// beside the program where it is looked for first.
std::wstring Missing(const std::wstring& chosen, const std::wstring& relative) {
  return chosen.empty() ? PathBesideProgram(relative) : chosen;
}

struct FolderCopy {
  unsigned bit;
  int progress;
  const wchar_t* status;
  const wchar_t* source;
  const wchar_t* failure;
};

const FolderCopy kFolderCopies[] = {
    {kCopyVideo, 20, L"拷贝视频文件...", L"\\Rigmate\\COURSE", L"拷贝视频文件失败！"},
    {kCopyTools, 30, L"拷贝工具文件...", L"\\Rigmate\\TOOL", L"拷贝工具文件失败！"},
    {kCopyDriver, 40, L"拷贝驱动精灵...", L"\\Rigmate\\DRIVER_GENUS", L"拷贝驱动精灵失败！"},
    {kCopyData, 50, L"导入启动盘数据...", L"\\Rigmate\\DATA", L"导入启动盘数据失败！请检查磁盘容量！"},
};

}  // namespace

BootDiskConfig::BootDiskConfig() {
  for (int i = 0; i < kSystemCount; ++i) m_strSystemName[i] = kSystemNames[i];
}

void ResolveToolPaths(BootDiskConfig* config) {
  config->m_strFbinstPath.clear();
  config->m_strArchivePath.clear();
  LocateFile(kFbinstRelative, &config->m_strFbinstPath);
  LocateFile(kArchiveRelative, &config->m_strArchivePath);
}

std::wstring DeviceEntryText(const _DEVICE& device) {
  return Format(L"(HD%d) %s (%s) %s", device.diskIndex, device.size, device.letters, device.type);
}

int DiskNumberOfEntry(const std::wstring& entry) {
  size_t d = entry.find(L'D');
  size_t close = entry.find(L')');
  if (entry.empty() || d == std::wstring::npos || close == std::wstring::npos) return -1;
  if (close < d) return -1;
  return LeadingInteger(entry.substr(d + 1, close - d - 1));
}

std::wstring DestinationDriveOfEntry(const std::wstring& entry) {
  size_t colon = entry.find(L':');
  if (colon == std::wstring::npos || colon == 0) return std::wstring();
  return entry.substr(colon - 1, 2);
}

int ReadPartitionSize(const std::wstring& text) { return LeadingInteger(text); }

std::wstring MakeCommandLine(const std::wstring& fbinstPath, int disk, int sizeMb,
                             const std::wstring& archivePath, bool force) {
  // In 64 bits: a size above 1 TB must not wrap into a wrong sector count.
  long long sectors = static_cast<long long>(sizeMb) * kSectorsPerMb;
  const wchar_t* form = force ? L"\"%s\" (hd%d) format -f -e %d --archive \"%s\""
                              : L"\"%s\" (hd%d) format -e %d --archive \"%s\"";
  return Format(form, fbinstPath, disk, sectors, archivePath);
}

std::wstring RestoreCommandLine(const std::wstring& fbinstPath, int disk, bool force) {
  return Format(force ? L"\"%s\" (hd%d) format -f -r" : L"\"%s\" (hd%d) format -r", fbinstPath, disk);
}

std::wstring MakeRefusal(int sizeMb, int disk) {
  if (sizeMb <= 0) return L"请输入正确的分区大小！";
  // A number that reads as negative names no disk, as a missing one does.
  if (disk < 0) return L"请选择一个磁盘！";
  if (disk == 0) return kProtectDiskZero;
  return std::wstring();
}

std::wstring ToolPathRefusal(const std::wstring& path) {
  FileEntry found;
  if (path.empty() || (TheSeam().FindFile(path, &found) && !found.isFolder && path.find_first_of(L"*?") == std::wstring::npos))
    return std::wstring();
  return Format(L"找不到文件%s，请选择FbinstPlus程序！", path);
}

std::wstring RestoreRefusal(const std::wstring& entry) {
  int disk = DiskNumberOfEntry(entry);
  if (entry.find(L'D') == std::wstring::npos || disk < 0) return L"请选择一个设备以进行操作！";
  if (disk == 0) return kProtectDiskZero;
  return std::wstring();
}

std::wstring MakeQuestion(const DiskIdentity& disk) {
  // A fixed disk, or a USB disk larger than a stick, is rarely meant: the question says
  // so before it asks.
  std::wstring warning;
  const DiskKind kind = KindOf(disk);
  if (kind == DiskKind::Fixed)
    warning = Format(L"注意：设备(HD%d)是电脑内部的固定磁盘，不是U盘或存储卡！\n\n", disk.disk);
  else if (kind != DiskKind::Unknown && !LooksLikeStick(disk))
    warning = Format(L"注意：设备(HD%d)有%s，比U盘大得多，可能是移动硬盘，不是U盘或存储卡！\n\n", disk.disk, disk.size);
  return warning + Format(L"你确定要对设备(HD%d) %s (%s)制作启动盘么？这将会清空您磁盘上的所有数据，制作前请先自行备份数据！",
                disk.disk, disk.size, disk.letters);
}

std::wstring RestoreQuestion(const std::wstring& entry) {
  return Format(L"你确定要对设备%s恢复么？这将会清空您磁盘上的所有数据，恢复前请先自行备份数据！", entry);
}

bool Confirm(const std::wstring& question) {
  return ShowMessage(question, mbox::YesNo | mbox::IconQuestion | kDefaultNo) == mbox::IdYes;
}

std::vector<std::wstring> CopySources(const BootDiskConfig& config, const std::wstring& moduleFolder) {
  std::vector<std::wstring> sources;
  for (const CopyStep& step : PlanCopies(config, moduleFolder, std::wstring()))
    if (!step.source.empty()) sources.push_back(step.source);
  return sources;
}

std::vector<CopyStep> PlanCopies(const BootDiskConfig& config, const std::wstring& moduleFolder,
                                 const std::wstring& drive) {
  std::vector<CopyStep> plan;
  for (const FolderCopy& folder : kFolderCopies) {
    if (!(config.m_nCopyFlags & folder.bit)) continue;
    plan.push_back({folder.progress, folder.status, moduleFolder + folder.source, drive + L"\\Rigmate",
                    folder.failure, false, {}});
  }
  for (int i = 0; i < kSystemCount; ++i) {
    if (!(config.m_nSystemMask & (1u << i))) continue;
    const std::wstring& path = config.m_strSystemPath[i];
    plan.push_back({57 + 7 * i, Format(L"正在拷贝%s", path), path, drive + L"\\Rigmate\\GHO",
                    Format(L"拷贝%s失败，请检查磁盘容量！", path), true, config.m_strSystemName[i]});
  }
  return plan;
}

namespace {

// The disk is read again right before it is written: the refusal, which stays on the
// status line, or empty.
std::wstring DiskNoLongerChosen(const DiskIdentity& disk, const std::vector<std::wstring>& tools,
                                const std::vector<std::wstring>& copies, Progress& progress) {
  std::wstring refusal = DiskRefusal(disk, tools, copies);
  if (!refusal.empty()) progress.Status(refusal);
  return refusal;
}

// The volume the format created, found by its disk and told from the old ones by its
// volume name: an old volume may still be mounted for a while, even under its letter,
// and a new letter may take a while to appear.
std::wstring WaitForNewVolume(int disk, const std::vector<VolumeStamp>& old, Progress& progress) {
  progress.Status(L"正在等待启动盘的新分区...");
  for (int waited = 0;; waited += kNewVolumeStepMs) {
    std::wstring letter = NewVolumeOnDisk(disk, old);
    if (!letter.empty() || waited >= kNewVolumeWaitMs) return letter;
    progress.Pause(kNewVolumeStepMs);
  }
}

// Runs FbinstPlus and waits for it, the status line telling the time waited every second
// so that a tool that hangs is seen to. The wait is not cut short: a disk left half
// formatted is worse than a wait, and the program refuses to close meanwhile.
int RunFbinst(const std::wstring& fbinstPath, const std::wstring& command, const std::wstring& status,
              Progress& progress) {
  const auto start = std::chrono::steady_clock::now();
  long long shown = 0;
  bool abandoned = false;
  return RunProgramWatched(fbinstPath, command, false, [&] {
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    if (seconds != shown) progress.Status(Format(L"%s(已等待%d秒)", status, static_cast<int>(shown = seconds)));
    return true;
  }, &abandoned);
}

// One step of the plan with what it brings along, read before the format.
struct PlannedStep {
  CopyStep step;
  std::vector<CopyItem> items;
};

// Reads every source of the plan before the format: what cannot be copied stops the make
// while the disk is as it was, named (a folder or image that is gone, a path that does
// not read, a file FAT32 cannot hold). The links left out are gathered, each once.
BootDiskOutcome ListPlan(const std::vector<CopyStep>& plan, std::vector<PlannedStep>* steps,
                         std::vector<std::wstring>* links) {
  using Code = BootDiskCode;
  for (const CopyStep& step : plan) {
    PlannedStep planned{step, {}};
    ListingNotes notes;
    if (!ListCopyItems(step.source, &planned.items, &notes)) {
      if (notes.unreadable != step.source) return BootDiskEnd(Code::Unreadable, notes.unreadable);
      if (step.image) return BootDiskEnd(Code::ImageMissing, step.source.empty() ? step.name : step.source);
      return BootDiskEnd(Code::FolderMissing, step.source);
    }
    if (const CopyItem* large = FirstTooLargeForFat32(planned.items)) return BootDiskEnd(Code::FileTooLarge, large->source);
    for (const std::wstring& link : notes.links)
      if (std::find(links->begin(), links->end(), link) == links->end()) links->push_back(link);
    steps->push_back(planned);
  }
  return BootDiskEnd(Code::Done);
}

// What a make that is done tells: the links it left out, when there are any.
BootDiskOutcome Done(const std::vector<std::wstring>& links) {
  std::wstring list;
  for (const std::wstring& link : links) list += L"\n" + link;
  if (list.empty()) return BootDiskEnd(BootDiskCode::Done);
  return {BootDiskCode::Done, L"制作完成！这些链接或目录联接没有拷贝（程序不跟随链接）：" + list};
}

uint64_t BytesOnDisk(const std::vector<PlannedStep>& steps) {
  uint64_t total = 0;
  for (const PlannedStep& planned : steps) total += BytesOnDisk(planned.items);
  return total;
}

// The copies share the bar from 20 (the format ends at 10) to 100 by their bytes, so
// that a step of gigabytes moves it for as long as it takes, and a small one does not
// hold a fixed share of its own.
void ShareTheBarByBytes(std::vector<PlannedStep>* steps) {
  constexpr int first = 20;
  uint64_t total = 0, before = 0;
  for (const PlannedStep& planned : *steps) total += BytesOnDisk(planned.items);
  for (PlannedStep& planned : *steps) {
    planned.step.progress = first + (total == 0 ? 0 : static_cast<int>((100 - first) * (static_cast<double>(before) / total)));
    before += BytesOnDisk(planned.items);
  }
}

double Gigabytes(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0); }

BootDiskOutcome NoRoom(BootDiskCode code, uint64_t need, int disk, uint64_t room) {
  return BootDiskEnd(code, Gigabytes(need), disk, Gigabytes(room));
}

// Everything the make copies, read and counted against the disk's room beside the boot
// partition: Done with the steps and their bytes, or what stops the make before the format.
BootDiskOutcome CheckPlan(const MakeRequest& request, std::vector<PlannedStep>* steps, std::vector<std::wstring>* links,
                          uint64_t* need) {
  const BootDiskOutcome listed = ListPlan(PlanCopies(request.config, GetModuleFolder(), std::wstring()), steps, links);
  if (listed.code != BootDiskCode::Done) return listed;
  *need = BytesOnDisk(*steps);
  const int64_t room = request.disk.length - static_cast<int64_t>(request.sizeMb) * 1024 * 1024;
  if (request.disk.lengthKnown && *need > 0 && (room < 0 || *need > static_cast<uint64_t>(room)))
    return NoRoom(BootDiskCode::NoRoom, *need, request.disk.disk, room < 0 ? 0 : static_cast<uint64_t>(room));
  return listed;
}

}  // namespace

std::wstring PlanRefusal(const MakeRequest& request) {
  std::vector<PlannedStep> steps;
  std::vector<std::wstring> links;
  uint64_t need = 0;
  const BootDiskOutcome planned = CheckPlan(request, &steps, &links, &need);
  return planned.code == BootDiskCode::Done ? std::wstring() : planned.text;
}

BootDiskOutcome MakeBootDisk(const MakeRequest& request, Progress& progress) {
  using Code = BootDiskCode;
  const BootDiskConfig& config = request.config;
  if (!PathExists(config.m_strFbinstPath))
    return BootDiskEnd(Code::ToolMissing, Missing(config.m_strFbinstPath, kFbinstRelative));
  if (!PathExists(config.m_strArchivePath))
    return BootDiskEnd(Code::ArchiveMissing, Missing(config.m_strArchivePath, kArchiveRelative));
  const std::wstring changed = DiskNoLongerChosen(request.disk, {config.m_strFbinstPath, config.m_strArchivePath},
                                                  CopySources(config, GetModuleFolder()), progress);
  if (!changed.empty()) return BootDiskEnd(Code::DiskChanged, changed);
  // Everything the make copies is read before the format: what cannot be copied, or
  // more than the disk holds, stops the make while the disk is still as it was.
  std::vector<PlannedStep> steps;
  std::vector<std::wstring> links;
  const int disk = request.disk.disk;
  uint64_t need = 0;
  const BootDiskOutcome planned = CheckPlan(request, &steps, &links, &need);
  if (planned.code != Code::Done) {
    progress.Status(planned.text);
    return planned;
  }
  ShareTheBarByBytes(&steps);
  const std::vector<VolumeStamp> oldVolumes = VolumesOnDisk(disk);
  progress.Status(L"正在格式化磁盘，请稍等...");
  progress.Position(10);
  std::wstring command = MakeCommandLine(config.m_strFbinstPath, disk, request.sizeMb, config.m_strArchivePath,
                                         request.force);
  if (RunFbinst(config.m_strFbinstPath, command, L"正在格式化磁盘，请稍等...", progress) != 0) {
    progress.Status(BootDiskOutcomeText(Code::FormatFailed));
    return BootDiskEnd(Code::FormatFailed);
  }
  if (!steps.empty()) {
    std::wstring drive = WaitForNewVolume(disk, oldVolumes, progress);
    if (drive.empty()) {
      progress.Status(BootDiskOutcomeText(Code::NoNewVolume));
      return BootDiskEnd(Code::NoNewVolume);
    }
    uint64_t free = 0;
    if (TheSeam().FreeBytes(drive + L"\\", &free) && need > free) {
      const BootDiskOutcome outcome = NoRoom(Code::NoRoomOnVolume, need, disk, free);
      progress.Status(outcome.text);
      return outcome;
    }
    // Between files the user may stop: what is copied stays, the disk boots.
    progress.AllowStop(true);
    for (size_t i = 0; i < steps.size(); ++i) {
      const CopyStep& step = steps[i].step;
      progress.Position(step.progress);
      progress.Status(step.status);
      const int next = i + 1 < steps.size() ? steps[i + 1].step.progress : 100;
      CopyFailure failure;
      CopyEnd end = CopyItems(steps[i].items, drive + step.destination, step.progress, next, progress, &failure);
      if (end == CopyEnd::Stopped) {
        progress.Status(BootDiskOutcomeText(Code::Stopped));
        return BootDiskEnd(Code::Stopped);
      }
      if (end == CopyEnd::Failed) {
        progress.AllowStop(false);
        progress.Status(step.failure);
        return BootDiskEnd(Code::CopyFailed, FailureText(step.failure, failure));
      }
    }
    progress.AllowStop(false);
  }
  progress.Position(100);
  progress.Status(L"制作完成！");
  return Done(links);
}

std::wstring RestoreStartRefusal(const std::wstring& fbinstPath, const std::wstring& entry,
                                 const DeviceChoice* choice) {
  if (!PathExists(fbinstPath)) return BootDiskEnd(BootDiskCode::ToolMissing, Missing(fbinstPath, kFbinstRelative)).text;
  std::wstring refusal = RestoreRefusal(entry);
  if (!refusal.empty()) return refusal;
  if (!choice) return L"请选择一个设备以进行操作！";
  return DiskRefusal(choice->identity, {fbinstPath});
}

BootDiskOutcome RestoreBootDisk(const RestoreRequest& request, Progress& progress) {
  const std::wstring changed = DiskNoLongerChosen(request.disk, {request.fbinstPath}, {}, progress);
  if (!changed.empty()) return BootDiskEnd(BootDiskCode::DiskChanged, changed);
  progress.Status(L"正在恢复启动盘，请稍等...");
  progress.Position(10);
  int code = RunFbinst(request.fbinstPath, RestoreCommandLine(request.fbinstPath, request.disk.disk, request.force),
                       L"正在恢复启动盘，请稍等...", progress);
  if (code != 0) {
    const BootDiskOutcome outcome = BootDiskEnd(BootDiskCode::RestoreFailed, code);
    progress.Status(outcome.text);
    return outcome;
  }
  progress.Position(100);
  progress.Status(L"恢复启动盘完成！");
  return BootDiskEnd(BootDiskCode::Done);
}

unsigned CopyFlagsOf(bool video, bool tools, bool driver, bool data) {
  return (video ? kCopyVideo : 0) | (tools ? kCopyTools : 0) | (driver ? kCopyDriver : 0) |
         (data ? kCopyData : 0);
}

unsigned SystemMaskOf(const std::vector<std::pair<std::wstring, bool>>& rows,
                      const BootDiskConfig& config) {
  unsigned mask = 0;
  for (const auto& row : rows) {
    if (!row.second) continue;
    for (int j = 0; j < kSystemCount; ++j)
      if (row.first == config.m_strSystemName[j]) mask |= 1u << j;
  }
  return mask;
}

std::wstring SearchedPathText(const std::wstring& path) { return path.empty() ? kNotFound : path; }

void SearchSystems(const BootDiskConfig& config, std::array<std::wstring, kSystemCount>* paths,
                   Progress& progress) {
  for (int i = 0; i < kSystemCount; ++i) {
    progress.Status(Format(L"搜索%s...", config.m_strSystemName[i]));
    progress.Position(14 * (i + 1));
    (*paths)[i] = FindDataFile(config.m_strSystemName[i]);
  }
  progress.Status(L"加载完成！");
  progress.Position(100);
  progress.Pause(500);
}

}  // namespace boot_disk
