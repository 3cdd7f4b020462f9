// The log's line format and the hand-over to the program's sink.
#include "platform/log.h"

#include <atomic>

#include "platform/format.h"

namespace {
std::atomic<LogSink*> g_sink{nullptr};
}

void SetLogSink(LogSink* sink) { g_sink.store(sink); }

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
