// Output of a GUI program to its parent's console or to a redirected standard output.
#include "app/console_win.h"

#include <windows.h>

#include <mutex>

namespace {

struct ConsoleOutput {
  HANDLE handle = nullptr;
  bool console = false;   // WriteConsoleW; otherwise bytes in codePage
  UINT codePage = CP_ACP;
};

// The code page of the console the program was started from, which is what a script
// that redirects the output reads it in (chcp); the ANSI code page without one.
UINT ParentConsoleCodePage() {
  UINT page = GetConsoleOutputCP();
  if (!page && AttachConsole(ATTACH_PARENT_PROCESS)) page = GetConsoleOutputCP();
  return page ? page : CP_ACP;
}

ConsoleOutput OpenOutput(DWORD which) {
  ConsoleOutput output;
  DWORD mode = 0;
  HANDLE standard = GetStdHandle(which);
  if (standard && standard != INVALID_HANDLE_VALUE) {
    output.handle = standard;
    output.console = GetConsoleMode(standard, &mode) != 0;
    if (!output.console) output.codePage = ParentConsoleCodePage();
    return output;
  }
  // A GUI program gets no console of its own: it writes into the one it was started from
  // (already attached when the other stream got there first).
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return output;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return output;
  output.handle = console;
  output.console = true;
  return output;
}

std::wstring WithCrLf(const std::wstring& text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) result += L'\r';
    result += text[i];
  }
  return result + L"\r\n";
}

std::mutex& WriteLock() {
  static std::mutex lock;
  return lock;
}

void WriteLine(const ConsoleOutput& output, const std::wstring& text) {
  if (!output.handle) return;
  std::lock_guard<std::mutex> hold(WriteLock());
  std::wstring line = WithCrLf(text);
  DWORD written = 0;
  if (output.console) {
    WriteConsoleW(output.handle, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  int length =
      WideCharToMultiByte(output.codePage, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return;
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(output.codePage, 0, line.data(), static_cast<int>(line.size()), &bytes[0], length, nullptr, nullptr);
  WriteFile(output.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void WriteConsoleLine(const std::wstring& text) {
  static const ConsoleOutput output = OpenOutput(STD_OUTPUT_HANDLE);
  WriteLine(output, text);
}

void WriteErrorLine(const std::wstring& text) {
  static const ConsoleOutput output = OpenOutput(STD_ERROR_HANDLE);
  WriteLine(output, text);
}
