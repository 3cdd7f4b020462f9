// The WIM engine: apply and capture through the imaging API, their workers and callback,
// and the start of the external installer.
#include "deploy/wim_engine.h"

#include <cstdio>

#include "deploy/wim_images.h"
#include "deploy/wow64_redirection.h"
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

// Empties the temporary folder: false with the message when that fails.
bool RecreateTempFolder(bool tellFailures) {
  const std::wstring& temp = WimTempFolder();
  if (PathExists(temp) && !DeletePath(temp) && tellFailures) {
    ShowMessage(L"移除临时文件夹失败！", kError);
    return false;
  }
  if (!CreateFolderPath(temp) && tellFailures) {
    ShowMessage(L"创建临时文件夹失败！", kError);
    return false;
  }
  return true;
}

// A capture that failed leaves nothing of its own behind: the file it created (empty
// or partly written, no WIM to restore from) and its temporary folder go. A file that
// it was adding an image to is left alone: it holds the earlier images.
void DiscardFailedCapture(const std::wstring& imagePath, bool created) {
  if (created) DeletePath(imagePath);
  DeletePath(WimTempFolder());
}

// The imaging work behind the page's progress window: its result.
bool RunImaging(const WimPageHooks& page, const Work& work) { return page.runWork && page.runWork(work); }

}  // namespace

const std::wstring& WimTempFolder() {
  static const std::wstring folder = GetTempFolder() + L"KXWimTemp";
  return folder;
}

bool RepairBootFiles(const std::wstring& target) {
  Wow64FsRedirection redirection;
  redirection.Disable();
  int exitCode = RunSystemTool(BcdbootCommand(target), true, false);
  redirection.Revert();
  redirection.Release();
  return exitCode == 0;
}

std::wstring BcdbootCommand(const std::wstring& target) {
  const std::wstring command = Format(L"bcdboot.exe %s\\windows /L %s", target, L"ZH-CN");
  const std::wstring system = SystemPartitionOf(target);
  return system.empty() ? command : command + L" /s " + system;
}

std::wstring SystemPartitionOf(const std::wstring& target) {
  const _PARTITIONS partition = TheDisk().GetPartitionByLetter(target);
  if (partition.letter.empty()) return target;
  if (partition.layout.PartitionStyle == layout::kStyleGpt) return std::wstring();
  for (const _PARTITIONS& each : TheDisk().partitions)
    if (each.diskIndex == partition.diskIndex && !each.letter.empty() &&
        each.layout.PartitionStyle == layout::kStyleMbr && each.layout.Mbr.BootIndicator)
      return each.letter;
  return target;
}

namespace {

bool ApplyConfirmed(const std::wstring& imagePath, int index, const std::wstring& target) {
  return ShowMessage(Format(L"确定将%s中的索引为%d的镜像应用到%s中么？这将会格式化您的%s盘。", imagePath, index, target,
                            target),
                     kQuestion) == mbox::IdYes;
}

// The page's format of the target, or else the shell's; true once it is formatted.
bool FormatTarget(const std::wstring& target, const WimPageHooks& page) {
  uint32_t drive = 0;
  uint32_t result = !DriveNumber(target, &drive) ? 1
                    : page.formatTarget        ? page.formatTarget(target, drive)
                                               : TheSeam().FormatDrive(drive, kFormatDefault, kFormatFull);
  // Cancelled in the format dialog is the user's own choice; anything else failed.
  if (result != 0 && result != kFormatCancelled) ShowMessage(Format(L"格式化%s盘失败！", target), kError);
  return result == 0;
}

enum class ApplyEnd { Stopped, BootNotRepaired, Done };

// From opening the file to the repaired boot files; every handle is closed on return.
// A road that stops has told why (the progress window tells a failed apply).
ApplyEnd ApplyFromFile(const std::wstring& imagePath, const std::wstring& target, const WimPageHooks& page) {
  Imaging& imaging = TheImaging();
  uint32_t error = 0;
  const WimFileHandle file = OpenWimFile(imagePath, wim::GenericRead, wim::OpenExisting, wim::CompressNone, &error);
  if (!file) {
    ShowMessage(WithErrorText(Format(L"打开WIM文件失败！错误代码：%d", static_cast<int>(error)), error), kError);
    return ApplyEnd::Stopped;
  }
  uint32_t count = 0;
  if (!imaging.WimImageCount(file.get(), &count)) {
    ShowMessage(L"读取WIM文件信息失败！", kError);
    return ApplyEnd::Stopped;
  }
  imaging.WimSetTemporaryPath(file.get(), WimTempFolder());

  int index = 1;
  if (count > 1) {
    index = page.chooseImage ? page.chooseImage(ListWimImages(file, count)) : 0;
    if (index == 0) return ApplyEnd::Stopped;
  }
  // Loaded before the question and the format: an image that cannot be loaded must not
  // cost the target its data.
  const WimImageHandle image = LoadWimImage(file, static_cast<uint32_t>(index));
  if (!image) {
    ShowMessage(L"打开镜像失败！", kError);
    return ApplyEnd::Stopped;
  }
  if (!ApplyConfirmed(imagePath, index, target)) return ApplyEnd::Stopped;
  // From the format until the boot files are back, an end of the session would leave a
  // partition that does not start.
  const MachineChange underWay(kDiskWriteUnderWay);
  if (!FormatTarget(target, page)) return ApplyEnd::Stopped;

  _WIMJOB job;
  job.handle = image.get();
  job.path = FolderOf(target);
  const WimCallbackRegistration registration(file, &WimMessageCallback, &job);
  const bool applied = RunImaging(page, [&job](Progress& progress) { return ApplyWimWork(&job, progress); });
  // After a failed apply the target holds no Windows to boot.
  if (!applied) return ApplyEnd::Stopped;
  return RepairBootFiles(target) ? ApplyEnd::Done : ApplyEnd::BootNotRepaired;
}

enum class CaptureEnd { NotOpened, TemporaryPathRefused, CallbackRefused, Failed, Done };

// From opening (or creating) the file to the end of the worker; every handle is closed
// on return, the callback unregistered while its file is still open.
CaptureEnd CaptureIntoFile(const std::wstring& imagePath, bool append, const std::wstring& source, int compression,
                           const WimPageHooks& page, uint32_t* error) {
  uint32_t access = append ? (wim::GenericRead | wim::GenericWrite) : wim::GenericWrite;
  uint32_t disposition = append ? wim::OpenExisting : wim::CreateAlways;
  const WimFileHandle file = OpenWimFile(imagePath, access, disposition, static_cast<uint32_t>(compression), error);
  if (!file) return CaptureEnd::NotOpened;
  if (!TheImaging().WimSetTemporaryPath(file.get(), WimTempFolder())) return CaptureEnd::TemporaryPathRefused;
  _WIMJOB job;
  job.handle = file.get();
  job.path = FolderOf(source);
  const WimCallbackRegistration registration(file, &WimMessageCallback, &job);
  if (!registration.registered()) return CaptureEnd::CallbackRefused;
  // A capture cut short leaves a broken file, which may hold earlier images.
  const MachineChange underWay(kDiskWriteUnderWay);
  const bool captured = RunImaging(page, [&job](Progress& progress) { return CaptureWimWork(&job, progress); });
  return captured ? CaptureEnd::Done : CaptureEnd::Failed;
}

}  // namespace

void ApplyWimImage(const std::wstring& imagePath, const std::wstring& target, const WimPageHooks& page) {
  RecreateTempFolder(false);
  switch (ApplyFromFile(imagePath, target, page)) {
    case ApplyEnd::Stopped:
      return;
    case ApplyEnd::BootNotRepaired:
      ShowMessage(L"修复启动项出错！", kError);
      return;
    case ApplyEnd::Done:
      ShowMessage(L"安装完成，请重启电脑进行下一步的安装。", kError);
      return;
  }
}

void CaptureWimImage(const std::wstring& imagePath, const std::wstring& source, int compression,
                     const WimPageHooks& page) {
  if (!RecreateTempFolder(true)) return;
  if (ShowMessage(Format(L"确定将分区：%s备份到文件：%s中么？", source, imagePath), kQuestion) != mbox::IdYes) return;

  const bool append = PathExists(imagePath);
  uint32_t error = 0;
  const CaptureEnd end = CaptureIntoFile(imagePath, append, source, compression, page, &error);
  if (end == CaptureEnd::Done) {
    ShowMessage(L"操作完成！", kError);
    return;
  }
  // A file the capture was adding an image to holds the earlier images: it stays.
  DiscardFailedCapture(imagePath, !append && end != CaptureEnd::NotOpened);
  // A failed capture has told why in the progress window.
  if (end == CaptureEnd::NotOpened) ShowMessage(WithErrorText(Format(L"打开或者创建WIM文件失败！错误代码：%d", error), error), kError);
  if (end == CaptureEnd::TemporaryPathRefused) ShowMessage(L"设置临时文件路径失败！", kError);
  if (end == CaptureEnd::CallbackRefused) ShowMessage(L"注册回调函数失败！", kError);
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

bool WorkFailed(Progress& progress, uint32_t error) {
  progress.Status(WithErrorText(Format(L"操作失败！代码：%d", error), error));
  return false;
}

}  // namespace

bool ApplyWimWork(_WIMJOB* job, Progress& progress) {
  job->progress = &progress;
  uint32_t error = 0;
  if (!TheImaging().WimApplyImage(job->handle, job->path, job->flags, &error)) return WorkFailed(progress, error);
  return true;
}

bool CaptureWimWork(_WIMJOB* job, Progress& progress) {
  job->progress = &progress;
  uint32_t error = 0;
  Imaging& imaging = TheImaging();
  const WimImageHandle image(imaging, imaging.WimCaptureImage(job->handle, job->path, job->flags, &error));
  if (!image) return WorkFailed(progress, error);
  return true;
}

void RunExternalInstaller() {
  std::wstring installer;
  if (!LocateFile(L"SGI.exe", &installer)) {
    ShowMessage(L"找不到外置安装器！", kError);
    return;
  }
  RunProgram(installer, L"", false, true);
}
