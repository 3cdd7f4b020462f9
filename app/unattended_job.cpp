// The unattended job: its checks, the page's roads without the window, and its exit code.
#include "app/unattended_job.h"

#include <chrono>
#include <thread>
#include <utility>

#include "deploy/wim_engine.h"
#include "deploy/wim_images.h"
#include "pages/install/install_page_actions.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/log.h"
#include "platform/logging_seam.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace cli {

namespace {

constexpr unsigned kButtonsMask = 0xF, kIconMask = 0xF0, kIconStop = 0x10;
constexpr unsigned kError = mbox::Ok | mbox::IconExclamation;
constexpr uint32_t kFormatDefault = 0xFFFF, kFormatFull = 1;   // the shell dialog's defaults, as the window has them

// The imaging engine's own message when bcdboot fails after an apply.
const wchar_t kBootRepairFailedText[] = L"修复启动项出错！";

// The progress of the imaging workers, on the console: every tenth percent and every
// status other than the percent shows.
class ConsoleProgress : public Progress {
 public:
  explicit ConsoleProgress(const Output& output) : output_(output) {}
  void Position(int percent) override {
    if (percent / 10 == lastTenth_) return;
    lastTenth_ = percent / 10;
    output_(Format(L"已完成 %d%%", percent), false);
  }
  void Status(const std::wstring& text) override {
    if (text.compare(0, 4, L"正在执行") != 0) output_(text, false);
  }
  bool Stopping() const override { return false; }
  void Pause(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

 private:
  const Output& output_;
  int lastTenth_ = -1;
};

// The system's own quick format, without a window: format.com, NTFS, no questions. It
// asks for the current label of a labelled volume, so the label stands on its input.
uint32_t QuickFormat(const std::wstring& target) {
  std::wstring label, fileSystem, fed;
  TheSeam().VolumeInformation(target + L"\\", &label, &fileSystem);
  for (wchar_t c : label) {
    if (c == L'&' || c == L'^' || c == L'|' || c == L'<' || c == L'>') fed += L'^';
    fed += c;
  }
  std::wstring command = Format(L"cmd.exe /c echo.%s|format.com %s /FS:NTFS /Q /Y", fed, target);
  return RunCommandLine(command, true, false) == 0 ? 0 : 1;
}

// The work runs on the job's thread; its result is noted, since the engine keeps the
// outcome to itself. Under /yes the target is formatted without the shell's dialog;
// otherwise the dialog shows and a cancel there is noted as the user's No.
WimPageHooks ConsoleHooks(const Output& output, bool* succeeded, int index) {
  WimPageHooks hooks;
  hooks.chooseImage = [index](const WimImageList&) { return index; };
  hooks.runWork = [&output, succeeded](const Work& work) {
    ConsoleProgress progress(output);
    return *succeeded = work(progress);
  };
  return hooks;
}

// Shows a refusal of the job itself the way the engines show theirs.
int Refuse(const std::wstring& text, int code) {
  ShowMessage(text, kError);
  return code;
}

// The drive letter of a partition of the page's list, named by its letter or by its
// number ("1:1"); empty when the list has no such partition or it has no letter.
std::wstring DriveOf(const std::wstring& partition) {
  for (const install_page::PartitionRow& row : install_page::PartitionRows())
    if (!row.letter.empty() && (row.letter == partition || row.number == partition)) return row.letter;
  return std::wstring();
}

install_page::Request RequestOf(const Options& options) {
  install_page::Request request;
  if (options.action == Action::Restore) request.mode = install_page::kRestore;
  else request.mode = options.wim ? install_page::kWimBackup : install_page::kGhostBackup;
  request.rowSelected = true;
  request.target = options.partition;
  request.imagePath = options.image;
  request.compression = options.compression;
  return request;
}

WimPageHooks ApplyHooks(const Output& output, bool* succeeded, int index, bool yes, bool* cancelled) {
  WimPageHooks hooks = ConsoleHooks(output, succeeded, index);
  hooks.formatTarget = [yes, cancelled](const std::wstring& target, uint32_t drive) {
    if (yes) return QuickFormat(target);
    uint32_t result = TheSeam().FormatDrive(drive, kFormatDefault, kFormatFull);
    *cancelled = result == kFormatCancelled;
    return result;
  };
  return hooks;
}

int RunWimApply(const Options& options, const UnattendedPrompts& prompts, const Output& output) {
  if (!PathExists(options.image))
    return Refuse(L"镜像文件：" + options.image + L"不存在！", exit_code::Mismatch);
  uint32_t count = 0;
  if (!CountWimImages(options.image, &count))
    return Refuse(L"打开WIM文件失败：" + options.image, exit_code::ImagingFailed);
  if (count == 0) return Refuse(L"WIM文件中没有镜像：" + options.image, exit_code::Mismatch);
  int index = options.index ? options.index : 1;
  if (index > static_cast<int>(count))
    return Refuse(Format(L"WIM文件中没有索引为%d的镜像！", index), exit_code::Mismatch);

  bool worked = false, cancelled = false;
  ApplyWimImage(options.image, options.partition, ApplyHooks(output, &worked, index, options.yes, &cancelled));
  if (prompts.declined() || cancelled) return exit_code::Declined;
  if (!worked) return exit_code::ImagingFailed;
  return prompts.told(kBootRepairFailedText) ? exit_code::BootFailed : exit_code::Done;
}

int RunWimCapture(const Options& options, const UnattendedPrompts& prompts, const Output& output) {
  bool exists = PathExists(options.image);
  if (exists && !options.append)
    return Refuse(L"文件：" + options.image + L"已经存在！追加镜像请加上 /append。", exit_code::Mismatch);
  if (!exists && options.append)
    return Refuse(L"文件：" + options.image + L"不存在，无法追加！", exit_code::Mismatch);
  bool worked = false;
  CaptureWimImage(options.image, options.partition, options.compression, ConsoleHooks(output, &worked, 0));
  if (prompts.declined()) return exit_code::Declined;
  return worked ? exit_code::Done : exit_code::ImagingFailed;
}

}  // namespace

UnattendedPrompts::UnattendedPrompts(Prompts& inner, bool answerYes, Output output)
    : ForwardingPrompts(inner), answerYes_(answerYes), output_(std::move(output)) {}

int UnattendedPrompts::ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) {
  unsigned buttons = style & kButtonsMask;
  bool question = buttons == mbox::YesNo || buttons == mbox::YesNoCancel;
  int answer = mbox::IdOk;
  if (question) {
    answer = answerYes_ ? mbox::IdYes : ForwardingPrompts::ShowMessageBox(text, caption, style);
    output_(text + L"\n—— 回答：" + AnswerText(answer) + (answerYes_ ? L"（/yes）" : L""), false);
  } else {
    unsigned icon = style & kIconMask;
    output_(text, icon == mbox::IconExclamation || icon == kIconStop);
  }
  std::lock_guard<std::mutex> hold(lock_);
  messages_.push_back(text);
  if (question && answer != mbox::IdYes) declined_ = true;
  return answer;
}

bool UnattendedPrompts::declined() const {
  std::lock_guard<std::mutex> hold(lock_);
  return declined_;
}

bool UnattendedPrompts::told(const std::wstring& text) const {
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& message : messages_)
    if (message == text) return true;
  return false;
}

int RunJob(const Options& options, const UnattendedPrompts& prompts, const Output& output) {
  g_bInPE = IsProcessRunning(L"PECMD.EXE") ? 1 : 0;
  bool restore = options.action == Action::Restore;
  std::wstring start = restore ? Format(L"还原：%s -> %s", options.image, options.partition)
                               : Format(L"备份：%s -> %s", options.partition, options.image);
  start += g_bInPE ? L"（PE）" : L"（桌面）";
  output(start, false);
  LogEvent(L"命令行任务：" + start);

  // The window lists only the partitions of the disk model; the job may name no other.
  std::wstring target = DriveOf(options.partition);
  if (target.empty()) return Refuse(L"找不到分区：" + options.partition, exit_code::Mismatch);

  Options job = options;
  job.partition = target;
  install_page::Request request = RequestOf(job);
  std::wstring refusal;
  int code = exit_code::OtherFailure;
  switch (install_page::RouteOf(request, &refusal)) {
    case install_page::Road::Refused:
      return Refuse(refusal, exit_code::Refused);
    case install_page::Road::GhostRestore:
    case install_page::Road::GhostBackup:
      code = ExitCodeOfGhost(install_page::RunGhostSteps(request), g_bInPE != 0);
      break;
    case install_page::Road::WimApply:
      code = RunWimApply(job, prompts, output);
      break;
    case install_page::Road::WimCapture:
      code = RunWimCapture(job, prompts, output);
      break;
  }
  if (code != exit_code::Done) return code;
  // RebootSystem ends the process when Windows accepts. It says nothing when the
  // privilege to restart is refused, so the job says it either way.
  if (options.reboot && !RebootSystem()) return Refuse(L"任务已完成，但无法重启电脑。", exit_code::RestartFailed);
  if (options.reboot) return exit_code::Done;
  // On a desktop a Ghost job is only staged: DOS Ghost runs at the next start.
  if (g_bInPE || options.wim) return exit_code::Done;
  output(L"已配置完成，重启电脑后开始执行。", false);
  return exit_code::RestartRequired;
}

}  // namespace cli
