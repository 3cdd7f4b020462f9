// The log's line format and the hand-over to the program's sink.
#include "platform/log.h"

#include <atomic>

#include "platform/format.h"
#include "platform/system.h"

namespace {
std::atomic<LogSink*> g_sink{nullptr};
}

void SetLogSink(LogSink* sink) { g_sink.store(sink); }

std::wstring LogFilePath() {
  LogSink* sink = g_sink.load();
  return sink ? sink->Where() : std::wstring();
}

void OpenLogFile() {
  constexpr unsigned kNotice = mbox::Ok | mbox::IconExclamation;
  const std::wstring path = LogFilePath();
  if (path.empty()) {
    ShowMessage(L"本次运行没有记录文件：程序所在的文件夹和临时文件夹都无法写入。", kNotice);
    return;
  }
  // The file is made with the first change to the machine.
  if (!PathExists(path)) {
    ShowMessage(L"还没有记录：本软件还没有改动过这台电脑。记录文件将是：\n" + path, kNotice);
    return;
  }
  if (RunSystemTool(Format(L"notepad.exe \"%s\"", path), false, true) == -1)
    ShowMessage(L"无法启动记事本打开记录文件：\n" + path, kNotice);
}

void LogEvent(const std::wstring& text) {
  LogSink* sink = g_sink.load();
  if (sink) sink->Write(LogLine(TheSeam().Now(), text));
}

std::wstring LogLine(const LocalTime& t, const std::wstring& text) {
  std::wstring line = Format(L"%04d-%02d-%02d %02d:%02d:%02d  ", t.year, t.month, t.day, t.hour, t.minute, t.second);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    line += (c == L'\n' || c == L'\r') ? std::wstring(L" / ") : std::wstring(1, c);
  }
  return line;
}
