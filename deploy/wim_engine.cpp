// The WIM engine: apply and capture through the imaging API, their workers and callback,
// and the start of the external installer.
#include "deploy/wim_engine.h"

#include <cstdio>

#include "deploy/boot_repair.h"
#include "deploy/ghost_job.h"
#include "deploy/question_facts.h"
#include "deploy/target_refusal.h"
#include "deploy/wim_image_xml.h"
#include "deploy/wim_images.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/machine_change.h"
#include "platform/message_text.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace {

constexpr unsigned kError = mbox::Ok | mbox::IconExclamation;
constexpr unsigned kQuestion = mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo;
constexpr uint32_t kFormatDefault = 0xFFFF;   // SHFMT_ID_DEFAULT
constexpr uint32_t kFormatFull = 1;           // SHFMT_OPT_FULL

// The folder the imaging calls work on: a bare drive ("D:") would mean the drive's
// current folder, which need not be its root (the program's own folder when it runs
// from that drive), so the root is named.
std::wstring FolderOf(const std::wstring& partition) {
  return partition.size() == 2 && partition[1] == L':' ? partition + L"\\" : partition;
}

// SHFormatDrive's drive number of a partition text such as "D:"; false without a letter.
bool DriveNumber(const std::wstring& partition, uint32_t* drive) {
  if (partition.empty()) return false;
  wchar_t letter = partition[0];
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  if (letter < L'A' || letter > L'Z') return false;
  *drive = static_cast<uint32_t>(letter - L'A');
  return true;
}

// One line of the imaging log on standard output, in the ANSI code page.
void WriteLogLine(const wchar_t* kind, uintptr_t wParam, intptr_t lParam) {
  const wchar_t* path = reinterpret_cast<const wchar_t*>(wParam);
  std::string line = TheSeam().WideToAnsi(
      Format(L"%s: %s [err = %d]\n", kind, path ? path : L"", static_cast<int32_t>(lParam)));
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// Empties the temporary folder: Captured when that worked, else why not.
WimCode RecreateTempFolder(const std::wstring& temp) {
  if (PathExists(temp) && !DeletePath(temp)) return WimCode::TempFolderNotRemoved;
  if (!CreateFolderPath(temp)) return WimCode::TempFolderNotCreated;
  return WimCode::Captured;
}

WimOutcome WimEnd(WimCode code, const std::wstring& target = std::wstring()) {
  return WimOutcome{code, Format(WimOutcomeText(code), target)};
}

// A capture that failed leaves nothing of its own behind: the file it created (empty
// or partly written, no WIM to restore from) and its temporary folder go. A file that
// it was adding an image to is left alone: it holds the earlier images.
void DiscardFailedCapture(const std::wstring& imagePath, bool created, const std::wstring& temp) {
  if (created) DeletePath(imagePath);
  DeletePath(temp);
}

// The imaging work behind the page's progress window: its result.
bool RunImaging(const WimPageHooks& page, const Work& work) { return page.runWork && page.runWork(work); }

}  // namespace

std::wstring WimTempFolder() { return GetTempFolder() + L"KXWimTemp"; }

WimOutcome WimFailure(WimCode code, uint32_t error, const std::wstring& file) {
  std::wstring text = Format(WimOutcomeText(code), static_cast<int>(error));
  if (!file.empty()) text = WithPath(text, file);
  return WimOutcome{code, WithErrorText(text, error)};
}

bool IsFailure(WimCode code) {
  return code != WimCode::Applied && code != WimCode::Captured && code != WimCode::Declined &&
         code != WimCode::ImageOnTarget && code != WimCode::TempOnTarget && code != WimCode::FolderMissing;
}

const wchar_t* WimOutcomeText(WimCode code) {
  switch (code) {
    case WimCode::Applied: return L"安装完成，请重启电脑进行下一步的安装。";
    case WimCode::Captured: return L"操作完成！";
    case WimCode::TempFolderNotRemoved: return L"移除临时文件夹失败！";
    case WimCode::TempFolderNotCreated: return L"创建临时文件夹失败！";
    case WimCode::NotOpened: return L"打开WIM文件失败！错误代码：%d";
    case WimCode::NotCreated: return L"打开或者创建WIM文件失败！错误代码：%d";
    case WimCode::InfoNotRead: return L"读取WIM文件信息失败！";
    case WimCode::ImageNotLoaded: return L"打开镜像失败！";
    case WimCode::FormatFailed: return L"格式化%s盘失败！";
    case WimCode::ApplyFailed:
    case WimCode::CaptureFailed: return L"操作失败！代码：%d";
    case WimCode::BootNotRepaired: return L"修复启动项出错！";
    case WimCode::TemporaryPathRefused: return L"设置临时文件路径失败！";
    case WimCode::CallbackRefused: return L"注册回调函数失败！";
    case WimCode::ImageOnTarget: return L"镜像文件位于要还原的分区上，还原时会被覆盖，请将镜像文件放到其他分区！";
    case WimCode::TempOnTarget:
      return L"临时文件夹%s位于要还原的分区上，还原时会被覆盖，请将临时文件夹（TEMP）设到其他分区！";
    case WimCode::FolderMissing: return L"镜像文件：%s所在的文件夹不存在，请重新选择！";
    case WimCode::Declined: break;
  }
  return L"";
}

namespace {

// The question names what the format loses (the target's size and label) and what the
// apply brings (the image's name, the file's date and size) after its own sentence.
bool ApplyConfirmed(const WimFileHandle& file, const std::wstring& imagePath, int index, const std::wstring& target) {
  std::wstring xml, name, description;
  if (TheImaging().WimImageInformation(file.get(), &xml)) ParseImageInfo(xml, index, &name, &description);
  const std::wstring question =
      Format(L"确定将%s中的索引为%d的镜像应用到%s中么？这将会格式化您的%s盘。", imagePath, index, target, target);
  return ShowMessage(WithFacts(question, {name.empty() ? name : L"镜像名称：" + name, DriveFacts(target),
                                          ImageFileFacts(imagePath)}),
                     kQuestion) == mbox::IdYes;
}

// Why the shell's format left the target as it was, by SHFormatDrive's result.
std::wstring ShellFormatFailure(uint32_t result) {
  constexpr uint32_t kFormatError = 0xFFFFFFFF, kCannotFormat = 0xFFFFFFFD;   // SHFMT_ERROR, SHFMT_NOFORMAT
  if (result == kFormatError)
    return L"Windows的格式化出错（SHFMT_ERROR）：分区可能正被其他程序使用，或上次格式化没有完成。";
  if (result == kCannotFormat) return L"Windows无法格式化这个分区（SHFMT_NOFORMAT）。";
  return Format(L"Windows的格式化返回了代码0x%X。", result);
}

// The page's format of the target, or else the shell's: Applied once it is formatted,
// FormatFailed with why in *why.
WimCode FormatTarget(const std::wstring& target, const WimPageHooks& page, std::wstring* why) {
  uint32_t drive = 0;
  if (!DriveNumber(target, &drive)) {
    *why = target + L"不是带盘符的分区。";
    return WimCode::FormatFailed;
  }
  const uint32_t result = page.formatTarget ? page.formatTarget(target, drive, why)
                                            : TheSeam().FormatDrive(drive, kFormatDefault, kFormatFull);
  // Cancelled in the format dialog is the user's own choice; anything else failed.
  if (result == kFormatCancelled) return WimCode::Declined;
  if (result == 0) return WimCode::Applied;
  if (!page.formatTarget) *why = ShellFormatFailure(result);
  return WimCode::FormatFailed;
}

// From opening the file to the repaired boot files; every handle is closed on return.
WimOutcome ApplyFromFile(const std::wstring& imagePath, const std::wstring& target, const std::wstring& temp,
                         const WimPageHooks& page) {
  Imaging& imaging = TheImaging();
  uint32_t error = 0;
  const WimFileHandle file = OpenWimFile(imagePath, wim::GenericRead, wim::OpenExisting, wim::CompressNone, &error);
  if (!file) return WimFailure(WimCode::NotOpened, error, imagePath);
  uint32_t count = 0;
  if (!imaging.WimImageCount(file.get(), &count)) return WimEnd(WimCode::InfoNotRead);
  imaging.WimSetTemporaryPath(file.get(), temp);

  int index = 1;
  if (count > 1) {
    index = page.chooseImage ? page.chooseImage(ListWimImages(file, count)) : 0;
    if (index == 0) return WimEnd(WimCode::Declined);
  }
  // Loaded before the question and the format: an image that cannot be loaded must not
  // cost the target its data.
  const WimImageHandle image = LoadWimImage(file, static_cast<uint32_t>(index));
  if (!image) return WimEnd(WimCode::ImageNotLoaded);
  if (!ApplyConfirmed(file, imagePath, index, target)) return WimEnd(WimCode::Declined);
  // From the format until the boot files are back, an end of the session would leave a
  // partition that does not start.
  const MachineChange underWay(kDiskWriteUnderWay);
  std::wstring why;
  const WimCode formatted = FormatTarget(target, page, &why);
  if (formatted == WimCode::FormatFailed) return WimOutcome{formatted, WimEnd(formatted, target).text + L"\n" + why};
  if (formatted != WimCode::Applied) return WimEnd(formatted, target);

  _WIMJOB job;
  job.handle = image.get();
  job.path = FolderOf(target);
  const WimCallbackRegistration registration(file, &WimMessageCallback, &job);
  const bool applied = RunImaging(page, [&job](Progress& progress) { return ApplyWimWork(&job, progress); });
  // After a failed apply the target holds no Windows to boot, nor what it held before.
  if (!applied) {
    WimOutcome failed = WimFailure(WimCode::ApplyFailed, job.error);
    failed.text += Format(L"\n%s盘已经格式化，原有的数据已被清除。", target);
    return failed;
  }
  return WimEnd(RepairBootFiles(target) ? WimCode::Applied : WimCode::BootNotRepaired);
}

// From opening (or creating) the file to the end of the worker; every handle is closed
// on return, the callback unregistered while its file is still open.
WimOutcome CaptureIntoFile(const std::wstring& imagePath, bool append, const std::wstring& source, int compression,
                           const std::wstring& temp, const WimPageHooks& page) {
  uint32_t access = append ? (wim::GenericRead | wim::GenericWrite) : wim::GenericWrite;
  uint32_t disposition = append ? wim::OpenExisting : wim::CreateAlways;
  uint32_t error = 0;
  const WimFileHandle file = OpenWimFile(imagePath, access, disposition, static_cast<uint32_t>(compression), &error);
  if (!file) return WimFailure(WimCode::NotCreated, error, imagePath);
  if (!TheImaging().WimSetTemporaryPath(file.get(), temp)) return WimEnd(WimCode::TemporaryPathRefused);
  _WIMJOB job;
  job.handle = file.get();
  job.path = FolderOf(source);
  const WimCallbackRegistration registration(file, &WimMessageCallback, &job);
  if (!registration.registered()) return WimEnd(WimCode::CallbackRefused);
  // A capture cut short leaves a broken file, which may hold earlier images.
  const MachineChange underWay(kDiskWriteUnderWay);
  const bool captured = RunImaging(page, [&job](Progress& progress) { return CaptureWimWork(&job, progress); });
  return captured ? WimEnd(WimCode::Captured) : WimFailure(WimCode::CaptureFailed, job.error);
}

}  // namespace

WimOutcome ApplyWimImage(const std::wstring& imagePath, const std::wstring& target, const WimPageHooks& page) {
  // The format would take the image with it, or the files the library keeps while it
  // applies: refused before anything is opened or asked.
  const std::wstring drive = target_refusal::DriveOf(target);
  const std::wstring temp = WimTempFolder();
  if (!drive.empty() && target_refusal::DriveOf(imagePath) == drive) return WimEnd(WimCode::ImageOnTarget);
  if (!drive.empty() && target_refusal::DriveOf(temp) == drive) return WimEnd(WimCode::TempOnTarget, temp);
  RecreateTempFolder(temp);
  return ApplyFromFile(imagePath, target, temp, page);
}

WimOutcome CaptureWimImage(const std::wstring& imagePath, const std::wstring& source, int compression,
                           const WimPageHooks& page) {
  // The library creates the file, not the folders above it: refused before the question.
  if (!ImageFolderExists(imagePath)) return WimEnd(WimCode::FolderMissing, imagePath);
  const std::wstring temp = WimTempFolder();
  const WimCode prepared = RecreateTempFolder(temp);
  if (prepared != WimCode::Captured) return WimEnd(prepared);
  if (ShowMessage(Format(L"确定将分区：%s备份到文件：%s中么？", source, imagePath), kQuestion) != mbox::IdYes)
    return WimEnd(WimCode::Declined);

  const bool append = PathExists(imagePath);
  const WimOutcome outcome = CaptureIntoFile(imagePath, append, source, compression, temp, page);
  // A file the capture was adding an image to holds the earlier images: it stays.
  if (outcome.code != WimCode::Captured)
    DiscardFailedCapture(imagePath, !append && outcome.code != WimCode::NotCreated, temp);
  return outcome;
}

uint32_t WimMessageCallback(uint32_t message, uintptr_t wParam, intptr_t lParam, void* user) {
  Progress* progress = static_cast<_WIMJOB*>(user)->progress;
  switch (message) {
    case wim::MsgProgress:
      if (!progress) break;
      progress->Position(static_cast<int>(wParam));
      progress->Status(Format(L"正在执行......，已完成%d %%", static_cast<int>(wParam)));
      break;
    case wim::MsgScanning:
      if (progress) progress->Status(L"正在扫描......，请耐心等待！");
      break;
    case wim::MsgError:
      WriteLogLine(L"ERROR", wParam, lParam);
      break;
    case wim::MsgRetry:
      WriteLogLine(L"RETRY", wParam, lParam);
      break;
    case wim::MsgInfo:
      WriteLogLine(L"INFO", wParam, lParam);
      break;
    case wim::MsgWarning:
      WriteLogLine(L"WARNING", wParam, lParam);
      break;
    default:
      break;
  }
  return wim::MsgSuccess;
}

namespace {

bool WorkFailed(_WIMJOB* job, Progress& progress, uint32_t error) {
  job->error = error;
  progress.Status(WithErrorText(Format(WimOutcomeText(WimCode::ApplyFailed), error), error));
  return false;
}

}  // namespace

bool ApplyWimWork(_WIMJOB* job, Progress& progress) {
  job->progress = &progress;
  uint32_t error = 0;
  if (!TheImaging().WimApplyImage(job->handle, job->path, job->flags, &error)) return WorkFailed(job, progress, error);
  return true;
}

bool CaptureWimWork(_WIMJOB* job, Progress& progress) {
  job->progress = &progress;
  uint32_t error = 0;
  Imaging& imaging = TheImaging();
  const WimImageHandle image(imaging, imaging.WimCaptureImage(job->handle, job->path, job->flags, &error));
  if (!image) return WorkFailed(job, progress, error);
  return true;
}

void RunExternalInstaller() {
  std::wstring installer;
  if (!LocateFile(L"SGI.exe", &installer)) {
    ShowMessage(WithPath(L"找不到外置安装器！", PathBesideProgram(L"SGI.exe")), kError);
    return;
  }
  RunProgram(installer, L"", false, true);
}
