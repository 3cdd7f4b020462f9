// The unattended job: its checks, the page's roads without the window, and its exit code.
#include "app/unattended_job.h"

#include <chrono>
#include <thread>
#include <utility>

#include "deploy/backup_restore.h"
#include "deploy/quick_format.h"
#include "deploy/staging_record.h"
#include "deploy/target_refusal.h"
#include "deploy/wim_engine.h"
#include "deploy/wim_images.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/log.h"
#include "platform/message_text.h"
#include "platform/logging_seam.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace cli {

namespace {

constexpr unsigned kButtonsMask = 0xF, kIconMask = 0xF0, kIconStop = 0x10;
constexpr unsigned kError = mbox::Ok | mbox::IconExclamation;
constexpr uint32_t kFormatDefault = 0xFFFF, kFormatFull = 1;   // the shell dialog's defaults, as the window has them

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
  void AllowStop(bool) override {}   // an unattended job runs to its end

 private:
  const Output& output_;
  int lastTenth_ = -1;
};

// The work runs on the job's thread. Under /yes the target of an apply is formatted
// without the shell's dialog, and a format that did not happen says why; otherwise the
// dialog shows.
WimPageHooks ConsoleHooks(const Output& output, int index, bool yes) {
  WimPageHooks hooks;
  hooks.chooseImage = [index](const WimImageList&) { return index; };
  hooks.runWork = [&output](const Work& work) {
    ConsoleProgress progress(output);
    return work(progress);
  };
  hooks.formatTarget = [yes](const std::wstring& target, uint32_t drive, std::wstring* why) {
    if (!yes) return TheSeam().FormatDrive(drive, kFormatDefault, kFormatFull);
    *why = QuickFormat(target);
    return why->empty() ? 0u : 1u;
  };
  return hooks;
}

// Shows a refusal of the job itself the way the engines show theirs.
int Refuse(const std::wstring& text, int code) {
  ShowMessage(text, kError);
  return code;
}

backup_restore::Request RequestOf(const Options& options) {
  backup_restore::Request request;
  if (options.action == Action::Restore) request.mode = backup_restore::kRestore;
  else request.mode = options.wim ? backup_restore::kWimBackup : backup_restore::kGhostBackup;
  request.rowSelected = true;
  request.target = options.partition;
  request.imagePath = options.image;
  request.compression = options.compression;
  return request;
}

// The outcome's text, in the log and on the console (standard error when the job did not
// succeed); its exit code.
template <typename Code>
int Report(const Outcome<Code>& outcome, const Output& output) {
  const int code = ExitCodeOf(outcome.code);
  if (outcome.text.empty()) return code;
  LogEvent(outcome.text);
  output(outcome.text, code != exit_code::Done && code != exit_code::RestartRequired);
  return code;
}

int RunWimApply(const Options& options, const Output& output) {
  if (!PathExists(options.image))
    return Refuse(L"镜像文件：" + options.image + L"不存在！", exit_code::Mismatch);
  uint32_t count = 0, error = 0;
  // The imaging's own reason, as the engine gives it: a missing wimgapi.dll is error 126.
  if (!CountWimImages(options.image, &count, &error))
    return Refuse(WithPath(WimFailure(WimCode::NotOpened, error).text, options.image), exit_code::ImagingFailed);
  if (count == 0) return Refuse(L"WIM文件中没有镜像：" + options.image, exit_code::Mismatch);
  int index = options.index ? options.index : 1;
  if (index > static_cast<int>(count))
    return Refuse(Format(L"WIM文件中没有索引为%d的镜像！", index), exit_code::Mismatch);

  return Report(ApplyWimImage(options.image, options.partition, ConsoleHooks(output, index, options.yes)), output);
}

int RunWimCapture(const Options& options, const Output& output) {
  bool exists = PathExists(options.image);
  if (exists && !options.append)
    return Refuse(L"文件：" + options.image + L"已经存在！追加镜像请加上 /append。", exit_code::Mismatch);
  if (!exists && options.append)
    return Refuse(L"文件：" + options.image + L"不存在，无法追加！", exit_code::Mismatch);
  return Report(CaptureWimImage(options.image, options.partition, options.compression, ConsoleHooks(output, 0, false)),
                output);
}

}  // namespace

int ExitCodeOf(GhostCode code) {
  switch (code) {
    case GhostCode::Done: return exit_code::Done;
    case GhostCode::Staged: return exit_code::RestartRequired;
    case GhostCode::Declined: return exit_code::Declined;
    case GhostCode::NotAbsolute:
    case GhostCode::ImageMissing:
    case GhostCode::NotOneFile:
    case GhostCode::FolderMissing:
    case GhostCode::GhostMissing: return exit_code::Mismatch;
    case GhostCode::ImageOnTarget:
    case GhostCode::StagingRefused: return exit_code::Refused;
    case GhostCode::GhostFailed: return exit_code::ImagingFailed;
    case GhostCode::BootNotRepaired:
    case GhostCode::BootEntryFailed: return exit_code::BootFailed;
    case GhostCode::StagingFailed: return exit_code::StagingFailed;
  }
  return exit_code::OtherFailure;
}

int ExitCodeOf(WimCode code) {
  switch (code) {
    case WimCode::Applied:
    case WimCode::Captured: return exit_code::Done;
    case WimCode::Declined: return exit_code::Declined;
    case WimCode::BootNotRepaired: return exit_code::BootFailed;
    case WimCode::ImageOnTarget:
    case WimCode::TempOnTarget: return exit_code::Refused;
    case WimCode::FolderMissing: return exit_code::Mismatch;
    case WimCode::TempFolderNotRemoved:
    case WimCode::TempFolderNotCreated:
    case WimCode::NotOpened:
    case WimCode::NotCreated:
    case WimCode::InfoNotRead:
    case WimCode::ImageNotLoaded:
    case WimCode::FormatFailed:
    case WimCode::ApplyFailed:
    case WimCode::CaptureFailed:
    case WimCode::TemporaryPathRefused:
    case WimCode::CallbackRefused: return exit_code::ImagingFailed;
  }
  return exit_code::OtherFailure;
}

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
  return answer;
}

int RunJob(const Options& options, const Output& output) {
  g_bInPE = InsidePE() ? 1 : 0;
  // As at the window's start: what a staging of an earlier run held off is settled once its job ran.
  if (!g_bInPE) SettleEarlierStaging();
  bool restore = options.action == Action::Restore;
  std::wstring start = restore ? Format(L"还原：%s -> %s", options.image, options.partition)
                               : Format(L"备份：%s -> %s", options.partition, options.image);
  start += g_bInPE ? L"（PE）" : L"（桌面）";
  output(start, false);
  LogEvent(L"命令行任务：" + start);

  // The window lists only the partitions of the disk model; the job may name no other.
  std::wstring target = backup_restore::DriveOfPartition(options.partition);
  if (target.empty()) return Refuse(L"找不到分区：" + options.partition, exit_code::Mismatch);

  // The restore targets the windows refuse, before any question or change.
  if (restore) {
    const std::wstring refusal = target_refusal::RestoreRefusal(target, options.image, L"还原");
    if (!refusal.empty()) return Refuse(refusal, exit_code::Refused);
  }

  Options job = options;
  job.partition = target;
  backup_restore::Request request = RequestOf(job);
  std::wstring refusal;
  int code = exit_code::OtherFailure;
  switch (backup_restore::RouteOf(request, &refusal)) {
    case backup_restore::Road::Refused:
      return Refuse(refusal, exit_code::Refused);
    case backup_restore::Road::GhostRestore:
    case backup_restore::Road::GhostBackup:
      code = Report(backup_restore::RunGhostSteps(request), output);
      break;
    case backup_restore::Road::WimApply:
      code = RunWimApply(job, output);
      break;
    case backup_restore::Road::WimCapture:
      code = RunWimCapture(job, output);
      break;
  }
  if (code != exit_code::Done && code != exit_code::RestartRequired) return code;
  // On a desktop a Ghost job is only staged: DOS Ghost runs at the next start.
  const bool staged = code == exit_code::RestartRequired;
  if (staged) {
    output(L"已配置完成，重启电脑后开始执行。", false);
    LogEvent(L"已配置完成，重启电脑后开始执行。");
  }
  if (!options.reboot) return code;
  // RebootSystem ends the process when Windows accepts, with the code that says what the
  // restart brings (the log's last line shows it). It says nothing when the privilege to
  // restart is refused, so the job says it either way.
  const int restarted = staged ? exit_code::RestartStarted : exit_code::Done;
  if (!RebootSystem(restarted))
    return Refuse(staged ? L"任务已配置，但无法重启电脑。" : L"任务已完成，但无法重启电脑。", exit_code::RestartFailed);
  return restarted;
}

}  // namespace cli
