// The log of every change the program makes: one time-stamped line per step, appended
// to the log file that the program names at start-up.
//
// Writing is best effort: a log that cannot be written is skipped, never reported, and
// never stops the step it describes. Without a sink (the unit tests) nothing is written.
#pragma once

#include <string>

#include "platform/seam.h"

// Where the lines go; the program's sink appends them to its log file.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // One whole line, time stamp included, without its line end. Called from any thread.
  virtual void Write(const std::wstring& line) = 0;
  // The file the lines go to now; empty when they go to no file.
  virtual std::wstring Where() { return std::wstring(); }
};

// Installs the sink (nullptr: none). Set before any worker thread starts.
void SetLogSink(LogSink* sink);
// The file the log goes to; empty without a sink or a file.
std::wstring LogFilePath();
// Opens the log file in Windows' Notepad (there in a PE too, unlike a viewer for .log
// files); says why not when there is no file to open or Notepad does not start.
void OpenLogFile();
// Stamps the text with the seam's local time and hands it to the sink.
void LogEvent(const std::wstring& text);

// "2026-12-08 01:02:03  text", with every line break of the text turned into " / " so
// that one event stays one line.
std::wstring LogLine(const LocalTime& time, const std::wstring& text);
