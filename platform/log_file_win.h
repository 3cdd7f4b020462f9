// The log file: lines appended in UTF-8 (with a byte-order mark at its start, so that
// Notepad shows the Chinese texts), each write opening and closing the file, so that
// every line is on the disk before the step after it, a restart included.
#pragma once

#include <mutex>
#include <string>

#include "platform/log.h"

class LogFile : public LogSink {
 public:
  // header: the first line of this run, written (with the first line's time) only once
  // something is logged, so a run that changes nothing leaves no trace. fallback: where
  // to write when path cannot be written (a program folder on a CD).
  LogFile(std::wstring path, std::wstring fallback, std::wstring header);
  void Write(const std::wstring& line) override;
  std::wstring Where() override;

 private:
  bool Append(const std::wstring& path, const std::string& bytes);

  std::mutex lock_;
  std::wstring path_, fallback_, header_;
  bool headerWritten_ = false;
  bool lost_ = false;   // the last line reached no file: a message does not point there
};

// "Rigmate.log" beside the program, and the same name in the temporary folder.
std::wstring LogPathBesideProgram();
std::wstring LogPathInTemp();

// Whether the log could be appended to path; a file that was not there is not left behind.
bool CanAppendTo(const std::wstring& path);
