// Start-up before the window: the log, the command line and the unattended job.
#include "app/program_start_win.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_win.h"
#include "app/one_copy_win.h"
#include "app/program_version.h"
#include "app/unattended_job.h"
#include "platform/format.h"
#include "platform/log.h"
#include "platform/log_file_win.h"
#include "platform/logging_seam.h"
#include "platform/system.h"
#include "resources/version.h"

namespace {

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(list[i]);
  LocalFree(list);
  return arguments;
}

const std::wstring kVersion = L"Rigmate " RIGMATE_VERSION_TEXT;

// Lives for the whole run: the pages' threads log until the process ends.
template <typename T, typename... Args>
T& KeepForRun(Args&&... args) {
  static std::unique_ptr<T> kept;
  kept = std::make_unique<T>(std::forward<Args>(args)...);
  return *kept;
}

// The log in front of the machine, the imaging and the prompts (which may be the
// unattended job's). fallback: where the log goes when path cannot be written; empty
// for none.
void InstallLog(Prompts& prompts, const std::wstring& path, const std::wstring& fallback, const std::wstring& header) {
  SetLogSink(&KeepForRun<LogFile>(path, fallback, header));
  SetSeam(&KeepForRun<LoggingSeam>(DefaultSeam()));
  SetImaging(&KeepForRun<LoggingImaging>(DefaultImaging()));
  SetPrompts(&KeepForRun<LoggingPrompts>(prompts));
}

// The log of a job: the /log file, which must be writable, or the default one, falling
// back to the temporary folder as the console is told. False when /log cannot be written.
bool ChooseJobLog(const std::wstring& asked, std::wstring* path) {
  if (!asked.empty()) {
    *path = asked;
    if (CanAppendTo(asked)) return true;
    WriteErrorLine(L"无法写入日志文件：" + asked + L"，未执行任务。");
    return false;
  }
  *path = LogPathBesideProgram();
  if (CanAppendTo(*path)) return true;
  std::wstring fallback = LogPathInTemp();
  if (!fallback.empty() && CanAppendTo(fallback)) {
    WriteErrorLine(L"程序所在的文件夹无法写入，日志文件在：" + fallback);
    *path = fallback;
  } else {
    WriteErrorLine(L"无法写入日志文件：" + *path + L"，本次任务不留日志。");
  }
  return true;
}

std::wstring VersionText() {
  const std::wstring missing = PayloadMissingText();
  return L"Rigmate " + ProgramVersion() + L"\n" + PayloadStateLine() + (missing.empty() ? L"" : L"\n" + missing);
}

const wchar_t kAnotherCopy[] = L"另一个 Rigmate 正在运行（窗口或命令行任务），请等待它结束后再启动本软件。";

// A copy that is still starting gets this long to show its window.
constexpr DWORD kOtherWindowWaitMs = 5000;

}  // namespace

bool RunBeforeWindow(int* exitCode) {
  cli::Options options = cli::ParseArguments(Arguments());
  if (options.action == cli::Action::Window) {
    InstallLog(DefaultPrompts(), LogPathBesideProgram(), LogPathInTemp(),
               Format(L"%s 启动（窗口），进程 %d，日志编码 UTF-8", kVersion, GetCurrentProcessId()));
    if (ClaimOneCopy()) return false;
    // The user asked for the window: the one that runs is it.
    if (!BringOtherCopyForward(kOtherWindowWaitMs)) ShowMessage(kAnotherCopy, mbox::Ok | mbox::IconExclamation);
    *exitCode = cli::exit_code::AnotherCopy;
    return true;
  }
  // Bad arguments change nothing, not even the log.
  if (options.action == cli::Action::Usage) {
    if (options.error.empty()) WriteConsoleLine(cli::UsageText());
    else WriteErrorLine(L"参数错误：" + options.error + L"\n用法见 Rigmate.exe /?");
    *exitCode = options.error.empty() ? cli::exit_code::Done : cli::exit_code::BadArguments;
    return true;
  }
  if (options.action == cli::Action::Version) {
    WriteConsoleLine(VersionText());
    *exitCode = cli::exit_code::Done;
    return true;
  }
  std::wstring logPath;
  if (!ChooseJobLog(options.logFile, &logPath)) {
    *exitCode = cli::exit_code::BadArguments;
    return true;
  }
  bool quiet = options.quiet;
  cli::Output output = [quiet](const std::wstring& text, bool error) {
    if (error) WriteErrorLine(text);
    else if (!quiet) WriteConsoleLine(text);
  };
  auto& unattended = KeepForRun<cli::UnattendedPrompts>(DefaultPrompts(), options.yes, output);
  InstallLog(unattended, logPath, options.logFile.empty() ? LogPathInTemp() : L"",
             Format(L"%s 命令行，进程 %d，日志编码 UTF-8：%s", kVersion, GetCurrentProcessId(), GetCommandLineW()));
  if (ClaimOneCopy()) {
    *exitCode = cli::RunJob(options, output);
  } else {
    ShowMessage(kAnotherCopy, mbox::Ok | mbox::IconExclamation);   // to the console and the log
    *exitCode = cli::exit_code::AnotherCopy;
  }
  std::wstring end = Format(L"命令行任务结束，退出代码：%d（%s）", *exitCode, cli::ExitCodeMeaning(*exitCode));
  output(end, *exitCode != cli::exit_code::Done && *exitCode != cli::exit_code::RestartRequired);
  LogEvent(end);
  return true;
}
