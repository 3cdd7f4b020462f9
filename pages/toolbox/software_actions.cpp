// The software page's actions: SOFT_MAP split and read, silent and custom installs.
#include "pages/toolbox/software_actions.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace software_page {

namespace {

// The text after position a and before position b (npos standing for -1 at either end).
std::wstring Between(const std::wstring& line, size_t a, size_t b) {
  if (a == std::wstring::npos || b == std::wstring::npos || b <= a + 1) return std::wstring();
  return line.substr(a + 1, b - a - 1);
}

}  // namespace

std::vector<map_text::Line> SoftwareMapLines(const std::wstring& text, bool cut) {
  std::vector<map_text::Line> lines;
  for (map_text::Line& line : map_text::SplitLines(text, cut)) {
    if (line.text.empty() || line.text.find(L'\0') != std::wstring::npos) continue;
    if (map_text::AnsiLength(line.text) > kLineBytes) continue;
    lines.push_back(std::move(line));
  }
  return lines;
}

MapFields SplitSoftwareLine(const std::wstring& line) {
  MapFields fields;
  const size_t p1 = line.find(L'|');
  if (p1 == std::wstring::npos) return fields;
  fields.name = line.substr(0, p1);
  const size_t p2 = line.find(L'|', p1 + 1);
  if (p2 == std::wstring::npos) return fields;
  fields.relativeFile = Between(line, p1, p2);
  const size_t p3 = line.find(L'|', p2 + 1);
  if (p3 == std::wstring::npos) {
    fields.description = line.substr(p2 + 1);
    return fields;
  }
  fields.description = Between(line, p2, p3);
  fields.parameters = line.substr(p3 + 1);
  return fields;
}

bool LoadSoftwareCatalogue(Progress& progress, const IconAdder& addIcon, SoftwareList* catalogue,
                           std::vector<std::wstring>* skipped) {
  auto skip = [skipped](const map_text::Line& line, const std::wstring& why) {
    if (skipped) skipped->push_back(Format(L"第%d行：%s", static_cast<int>(line.number), why));
  };
  std::wstring mapPath;
  if (!LocateFile(kSoftwareMap, &mapPath)) {
    progress.Status(WithPath(L"找不带软件映射文件！", PathBesideProgram(kSoftwareMap)));
    return false;
  }
  catalogue->clear();
  map_text::Head head;
  if (!map_text::ReadHead(mapPath, kMapReadBytes, &head)) {
    progress.Status(L"打开软件映射文件失败！");
    return false;
  }
  progress.Status(L"正在解析软件映射文件，请稍等！");
  const std::wstring text = map_text::Decode(head.bytes);

  const std::wstring folder = GetParentFolder(mapPath);
  for (const map_text::Line& line : SoftwareMapLines(text, head.cut)) {
    MapFields fields = SplitSoftwareLine(line.text);
    // Without a file the path would be the catalogue's folder itself.
    if (fields.relativeFile.empty()) {
      constexpr size_t kQuoted = 40;   // enough to find the line; the box stays readable
      skip(line, L"没有用“|”隔开的安装程序文件：" + line.text.substr(0, kQuoted) +
                     (line.text.size() > kQuoted ? L"…" : L""));
      continue;
    }
    _SOFTWARE entry;
    entry.installerPath = Format(L"%s\\%s", folder, fields.relativeFile);
    if (!PathExists(entry.installerPath)) {
      skip(line, L"找不到安装程序" + entry.installerPath);
      continue;
    }
    entry.name = std::move(fields.name);
    entry.description = std::move(fields.description);
    entry.parameters = std::move(fields.parameters);
    progress.Status(entry.installerPath);
    progress.Position(static_cast<int>(line.end * 100 / text.size()));
    entry.iconIndex = addIcon(entry.installerPath);
    catalogue->push_back(std::move(entry));
  }
  return true;
}

std::wstring SkippedLinesText(const std::vector<std::wstring>& skipped) {
  if (skipped.empty()) return std::wstring();
  constexpr size_t kShown = 10;   // a box that still fits the screen
  std::wstring text = Format(L"软件映射文件中有%d行没有列入软件列表：", static_cast<int>(skipped.size()));
  for (size_t i = 0; i < skipped.size() && i < kShown; ++i) text += L"\n" + skipped[i];
  if (skipped.size() > kShown) text += Format(L"\n……另有%d行", static_cast<int>(skipped.size() - kShown));
  return text;
}

std::wstring SilentCommandLine(const _INSTALL& entry) {
  // The name stands in the place of the program's own: one holding a blank is quoted,
  // or the installer would take its second word for an argument.
  if (entry.name.find_first_of(L" \t") != std::wstring::npos)
    return Format(L"\"%s\" %s", entry.name, entry.parameters);
  return Format(L"%s %s", entry.name, entry.parameters);
}

void RunInstallQueue(const InstallQueue& queue, Progress& progress, const QueueReport& report,
                     const AbandonedWatch& watch) {
  auto tell = [&](const _INSTALL& entry, const std::wstring& state) {
    if (report.state) report.state(entry.row, state);
  };
  for (const _INSTALL& entry : queue) tell(entry, kWaiting);
  int installed = 0, failed = 0;
  // The queue's end as the user sees it: what was not installed, and the summary.
  auto finish = [&](InstallQueue::const_iterator rest) {
    for (; rest != queue.end(); ++rest) tell(*rest, kNotInstalled);
    const int left = static_cast<int>(queue.size()) - installed - failed;
    if (report.end && !queue.empty())
      report.end(Format(L"安装队列结束：%d个安装完成，%d个失败，%d个没有装完。", installed, failed, left),
                 failed == 0 && left == 0);
  };
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (progress.Stopping()) return finish(it);
    const _INSTALL& entry = *it;
    tell(entry, kInstalling);
    // After a stop the installer is no longer waited for: the queue ends for the user,
    // while the same wait goes on as a watch, so that nothing starts on top of it.
    bool stopped = false;
    auto keepWaiting = [&] {
      if (!progress.Stopping()) return true;
      if (!stopped) {
        stopped = true;
        if (watch.running) watch.running(entry.name);   // before the page can read the state
        tell(entry, kStillRunning);
        finish(std::next(it));
      }
      return watch.keepWatching && watch.keepWatching();
    };
    bool letGo = false;
    int code = RunProgramWatched(entry.installerPath, SilentCommandLine(entry), true, keepWaiting, &letGo);
    if (stopped) {
      if (letGo) return;   // nobody watches any more
      tell(entry, kNoLongerWaited);
      if (watch.running) watch.running(std::wstring());
      return;
    }
    if (code == 0) {
      tell(entry, kInstalled);
      ++installed;
    } else {
      tell(entry, code == -1 ? std::wstring(kNotStarted) : Format(L"安装失败(退出代码%d)", code));
      ++failed;
    }
  }
  finish(queue.end());
}

void CustomInstall(const std::wstring& installerPath, const std::wstring& parameters) {
  RunProgram(installerPath, parameters, false, true);
}

InstallThread::~InstallThread() {
  if (!thread_.joinable()) return;
  if (shared_->running.load()) {
    shared_->stop.store(true);
    shared_->letGo.store(true);
    thread_.detach();  // it owns what it reads (shared_)
  } else {
    thread_.join();
  }
}

bool InstallThread::Running() const { return shared_ && shared_->running.load(); }

bool InstallThread::Queueing() const { return Running() && !shared_->stop.load(); }

std::wstring InstallThread::StillRunning() const {
  if (!shared_) return std::wstring();
  std::lock_guard<std::mutex> hold(shared_->mutex);
  return shared_->stillRunning;
}

bool InstallThread::Start(InstallQueue queue, QueueReport report) {
  if (Running()) return false;
  if (thread_.joinable()) thread_.join();  // ended: only its resources are left
  auto shared = std::make_shared<Shared>();
  shared->queue = std::move(queue);
  shared->running.store(true);
  try {
    thread_ = std::thread([shared, report] {
      QuietProgress progress(shared->stop);
      AbandonedWatch watch{[shared] { return !shared->letGo.load(); },
                           [shared](const std::wstring& name) {
                             std::lock_guard<std::mutex> hold(shared->mutex);
                             shared->stillRunning = name;
                           }};
      RunInstallQueue(shared->queue, progress, report, watch);
      shared->running.store(false);
    });
  } catch (const std::system_error&) {
    return false;
  }
  shared_ = std::move(shared);
  return true;
}

void InstallThread::Stop() {
  if (shared_) shared_->stop.store(true);
}

void InstallThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool StartInstall(InstallThread& thread, InstallQueue queue, QueueReport report) {
  if (thread.Running() && !thread.Queueing()) {
    // Stopped: a second installer on top of the one still running may fail or break both.
    const std::wstring still = thread.StillRunning();
    ShowMessage(still.empty() ? std::wstring(L"安装队列正在停止，请稍等！")
                              : Format(L"已停止等待的安装程序%s还在运行，请等它结束后再安装！", still),
                mbox::Ok | mbox::IconExclamation);
    return false;
  }
  if (thread.Running()) {
    // "否" is the default: a stop gives up waiting for an installer that may still work.
    if (ShowMessage(kStopQuestion, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) == mbox::IdYes)
      thread.Stop();
    return false;
  }
  return thread.Start(std::move(queue), std::move(report));
}

}  // namespace software_page
