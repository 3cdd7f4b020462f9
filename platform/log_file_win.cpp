// The log file on the disk: appends, the header of the run, the fallback place.
#include "platform/log_file_win.h"

#include <windows.h>

#include <utility>

#include "platform/system.h"
#include "platform/win_handle.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  return bytes;
}

// The time stamp at the start of a line made by LogLine ("2026-12-08 01:02:03  ").
constexpr size_t kStampLength = 21;

}  // namespace

LogFile::LogFile(std::wstring path, std::wstring fallback, std::wstring header)
    : path_(std::move(path)), fallback_(std::move(fallback)), header_(std::move(header)) {}

void LogFile::Write(const std::wstring& line) {
  // A step is logged right after the call it records and before its caller reads the
  // call's error code: the file calls here must not overwrite it.
  const DWORD callersError = GetLastError();
  struct Restore {
    DWORD error;
    ~Restore() { SetLastError(error); }
  } restore{callersError};
  std::lock_guard<std::mutex> hold(lock_);
  std::string bytes;
  if (!headerWritten_) bytes = Utf8(line.substr(0, kStampLength) + header_) + "\r\n";
  bytes += Utf8(line) + "\r\n";
  if (!Append(path_, bytes)) {
    lost_ = fallback_.empty() || fallback_ == path_ || !Append(fallback_, bytes);
    if (lost_) return;
    path_ = fallback_;   // where the rest of the run goes
  }
  lost_ = false;
  headerWritten_ = true;
}

std::wstring LogFile::Where() {
  std::lock_guard<std::mutex> hold(lock_);
  return lost_ ? std::wstring() : path_;
}

bool LogFile::Append(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string content = bytes;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart == 0) content.insert(0, "\xEF\xBB\xBF");
  DWORD written = 0;
  return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size();
}

std::wstring LogPathBesideProgram() {
  std::wstring folder = GetModuleFolder();
  return folder.empty() ? std::wstring() : folder + L"\\Rigmate.log";
}

std::wstring LogPathInTemp() {
  std::wstring temp = GetTempFolder();
  return temp.empty() ? std::wstring() : temp + L"Rigmate.log";
}

bool CanAppendTo(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  CloseHandle(file);
  if (created) DeleteFileW(path.c_str());
  return true;
}
