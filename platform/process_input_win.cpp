// The start of a console program that reads its answers from its standard input: a pipe
// the program writes, in the code page the started program's console reads it in.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/seam_win.h"
#include "platform/win_handle.h"

namespace {

// The input as the started program's console reads it. CREATE_NO_WINDOW gives the
// program a console of its own, whose code page is the system's OEM one whatever this
// program's console was set to. False when a character has no byte there: the program
// would read another one (a label it would not recognise).
bool InConsoleCodePage(const std::wstring& text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  const UINT codePage = GetOEMCP();
  BOOL lost = FALSE;
  BOOL* lostIfAny = codePage == CP_UTF8 ? nullptr : &lost;
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, lostIfAny);
  if (length <= 0 || lost) return false;
  bytes->resize(static_cast<size_t>(length));
  WideCharToMultiByte(codePage, flags, text.data(), size, &(*bytes)[0], length, nullptr, lostIfAny);
  return !lost;
}

}  // namespace

int Win32Seam::StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                                     const std::wstring& input, bool* typed) {
  std::string bytes;
  *typed = InConsoleCodePage(input, &bytes);
  if (!*typed) return -1;
  // Only the ends the program gets are inherited: ours stays with us, so that the pipe
  // closes once it is written and the program sees the end of its input.
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  KernelHandle readEnd, writeEnd;
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, static_cast<DWORD>(bytes.size() + 4096))) return -1;
  readEnd.reset(read);
  writeEnd.reset(write);
  SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0);
  FileHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr));

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = readEnd.get();
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &created))
    return -1;
  KernelHandle process(created.hProcess), thread(created.hThread);
  readEnd.reset();
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(writeEnd.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  writeEnd.reset();
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : -1;
}
