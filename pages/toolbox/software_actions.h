// What the software page does, apart from its window: the catalogue map SOFT_MAP read
// into records, and the installers run silently in a queue or alone for a custom install.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pages/toolbox/map_text.h"
#include "platform/progress.h"

// One entry of the catalogue.
struct _SOFTWARE {
  std::wstring name;
  std::wstring installerPath;   // the catalogue's folder, a backslash and the map's file
  std::wstring description;
  int iconIndex = -1;           // the file type's icon in the page's image list
  std::wstring parameters;      // the silent-install parameters
};

// One installation of the queue, taken from the list's cells.
struct _INSTALL {
  std::wstring name;
  std::wstring installerPath;
  std::wstring parameters;
  int row = -1;                 // the list row it was taken from, where its state is shown
};

using SoftwareList = std::list<_SOFTWARE>;
using InstallQueue = std::list<_INSTALL>;

namespace software_page {

constexpr wchar_t kSoftwareMap[] = L"Rigmate\\SOFTWARE\\SOFT_MAP";
// Only the head of the map is read from disk.
constexpr size_t kMapReadBytes = 10240;
// The longest line, in bytes of the thread's code page, without its end.
constexpr size_t kLineBytes = 1023;

// The lines of the map's text that can be entries, in order: empty lines are left out,
// and so is, whole, a line longer than kLineBytes or holding a NUL character, as is the
// line that the cut of a longer map reaches: a shortened line could name another file or
// pass other parameters. Each keeps where its line end is in the text.
std::vector<map_text::Line> SoftwareMapLines(const std::wstring& text, bool cut);

// The four fields of one converted line, separated by "|": name | installer file relative
// to the catalogue's folder | description | parameters. The parameters run to the end of
// the line and may hold "|". Without a third separator the description runs to the end
// and there are no parameters. Without a second, the installer file is empty.
struct MapFields {
  std::wstring name, relativeFile, description, parameters;
};
MapFields SplitSoftwareLine(const std::wstring& line);

// Adds the small icon of the installer's file type to the page's image list: its index,
// or -1. Called on the load's thread.
using IconAdder = std::function<int(const std::wstring& installerPath)>;

// Locates and reads SOFT_MAP into the catalogue (emptied first once the map is found):
// the entries whose installer exists, in map order. False when the map is missing or
// cannot be read; the last status says which. *skipped (when given): a line for each
// map line left out for want of an installer file or of the "|" before it.
bool LoadSoftwareCatalogue(Progress& progress, const IconAdder& addIcon, SoftwareList* catalogue,
                           std::vector<std::wstring>* skipped = nullptr);
// The one box's text that lists the skipped lines after the load; empty for none.
std::wstring SkippedLinesText(const std::vector<std::wstring>& skipped);

// "名称 参数": what a silent install gives its installer as command line; a name
// holding a blank is quoted.
std::wstring SilentCommandLine(const _INSTALL& entry);

// What the queue tells the page, on the install thread: an entry's new state (the text
// of its "状态" cell) and, at the end, the summary and whether every entry was installed.
struct QueueReport {
  std::function<void(int row, const std::wstring& state)> state;
  std::function<void(const std::wstring& summary, bool allInstalled)> end;
};

constexpr wchar_t kWaiting[] = L"等待安装";
constexpr wchar_t kInstalling[] = L"正在安装...";
constexpr wchar_t kInstalled[] = L"安装完成";
constexpr wchar_t kNotStarted[] = L"无法启动";
constexpr wchar_t kNoLongerWaited[] = L"已停止等待";
constexpr wchar_t kStillRunning[] = L"已停止等待，仍在运行";
constexpr wchar_t kNotInstalled[] = L"未安装";
constexpr wchar_t kStopQuestion[] =
    L"安装线程已经在运行！要停止安装队列么？正在运行的安装程序不再被等待，其余的软件不再安装。";

// What the queue does with an installer it stopped waiting for.
struct AbandonedWatch {
  // Asked every tenth of a second while it still runs: false lets it go unwatched.
  std::function<bool()> keepWatching;
  // Told its name when it is no longer waited for and runs on, and "" once it ended.
  std::function<void(const std::wstring& name)> running;
};

// Runs every installer of the queue in order, silently, each waited for; a failed start
// or a failed installer does not stop the queue. Once stopping, the installer running is
// no longer waited for (it may hang on a question nobody sees) and no further one starts.
// Every entry's state is reported as it changes, then the summary (none for an empty
// queue). After the summary an installer no longer waited for is watched, its state
// kStillRunning, until it ends (kNoLongerWaited) or the watch lets it go: no later
// queue may start an installer on top of it.
void RunInstallQueue(const InstallQueue& queue, Progress& progress, const QueueReport& report = {},
                     const AbandonedWatch& watch = {});

// Starts one installer with its parameters alone as command line, not waited for: an
// installer that skips its first token then runs with its own dialogs.
void CustomInstall(const std::wstring& installerPath, const std::wstring& parameters);

// The page's install thread: one at a time, over its own copy of the queue.
class InstallThread {
 public:
  InstallThread() = default;
  // A thread that still runs is asked to start no further installer and is let go: the
  // page does not wait for an installer that the user may still be answering.
  ~InstallThread();
  InstallThread(const InstallThread&) = delete;
  InstallThread& operator=(const InstallThread&) = delete;

  // The thread runs: its queue, or its watch of an installer it stopped waiting for.
  bool Running() const;
  // The queue runs and no stop was asked: the program's end would cut it short.
  bool Queueing() const;
  // The name of the installer the stopped queue no longer waits for and that still
  // runs; empty when there is none.
  std::wstring StillRunning() const;
  // Starts a thread over the queue; false when one still runs or none can be started.
  bool Start(InstallQueue queue, QueueReport report = {});
  // Asks the running queue to stop: the installer running is no longer waited for, only
  // watched until it ends.
  void Stop();
  // Waits for the thread to end (tests).
  void Join();

 private:
  struct Shared {
    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
    std::atomic<bool> letGo{false};   // the page is gone: nobody watches any more
    InstallQueue queue;
    mutable std::mutex mutex;
    std::wstring stillRunning;        // under mutex
  };
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

// The install button: while the install thread runs, asks whether to stop it (and stops
// it on Yes), or, once stopped, says that the installer it stopped waiting for still
// runs; otherwise starts it over the queue (also an empty one). False when nothing was
// started.
bool StartInstall(InstallThread& thread, InstallQueue queue, QueueReport report = {});

}  // namespace software_page
