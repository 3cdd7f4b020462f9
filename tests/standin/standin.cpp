// standin.exe: stands in for the outside programs (Ghost, bcdedit, bcdboot, the formatting
// tool, installers, attrib, PECMD) in tests, recording how it was started.
//
// Environment:
//   RIGMATE_STANDIN_LOG        file to which one record is appended per start (UTF-8):
//                              "<working folder>\t<command line as GetCommandLineW gives it>\n";
//                              a CR or LF inside the command line is written as \r or \n.
//   RIGMATE_STANDIN_EXIT       exit code (default 0);
//   RIGMATE_STANDIN_EXIT_<N>   exit code for a copy named <N>.exe (N upper case, e.g.
//                              RIGMATE_STANDIN_EXIT_BCDEDIT), before RIGMATE_STANDIN_EXIT;
//   RIGMATE_STANDIN_SLEEP_MS   time to stay running before exiting (default 0; a copy
//                              named pecmd.exe stays 60000 ms unless told otherwise, so
//                              that process searches can see it; end it earlier by killing it).
//   RIGMATE_STANDIN_REPLACE_<N> "<source>|<target>": a copy named <N>.exe copies the file
//                              source over target before it exits (a formatting tool that
//                              changes the simulated machine's description).
// A copy named format.com reads its standard input to its end and adds it to its record
// after another tab, decoded from its console's code page (CR and LF written as above).
// A copy named attrib.exe (any case) also applies every +/-R, +/-H, +/-S, +/-A flag of its
// command line to each file named there, as one change. A copy named bcdedit.exe writes
// the file of "/export <file>" as bcdedit does, and fails "/import <file>" (exit 1) when
// that file is missing.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Variable(const std::wstring& name, bool* present = nullptr) {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (present) *present = length > 0 && length < buffer.size();
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : std::wstring();
}

std::wstring Upper(std::wstring text) {
  for (auto& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return text;
}

// The own file name without folder and extension, upper case ("ATTRIB").
std::wstring OwnName() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring name = path;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  size_t dot = name.rfind(L'.');
  return Upper(dot == std::wstring::npos ? name : name.substr(0, dot));
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  return bytes;
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring escaped;
  for (wchar_t c : text) {
    if (c == L'\n') escaped += L"\\n";
    else if (c == L'\r') escaped += L"\\r";
    else escaped.push_back(c);
  }
  return escaped;
}

// Standard input to its end, as the console's code page gives it.
std::wstring ReadInput() {
  char bytes[4096];
  DWORD got = 0, total = 0;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  while (total < sizeof(bytes) && ReadFile(in, bytes + total, sizeof(bytes) - total, &got, nullptr) && got) total += got;
  wchar_t text[4096];
  UINT codePage = GetConsoleCP() ? GetConsoleCP() : GetOEMCP();
  int length = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(total), text, 4096);
  return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

// One WriteFile of the whole record in append mode, so that records of stand-ins
// running side by side never interleave.
void AppendRecord(const std::wstring& logPath, const std::wstring& input, bool withInput) {
  wchar_t folder[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, folder);
  std::wstring line = std::wstring(folder) + L"\t" + Escaped(GetCommandLineW());
  if (withInput) line += L"\t" + Escaped(input);
  std::string record = Utf8(line) + "\n";
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE log = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
      CloseHandle(log);
      return;
    }
    Sleep(20);
  }
}

void ApplyAttributes() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return;
  DWORD set = 0, clear = 0;
  std::vector<std::wstring> files;
  for (int i = 1; i < count; ++i) {
    std::wstring argument = arguments[i];
    if (argument.size() == 2 && (argument[0] == L'+' || argument[0] == L'-')) {
      DWORD bit = 0;
      switch (argument[1]) {
        case L'r': case L'R': bit = FILE_ATTRIBUTE_READONLY; break;
        case L'h': case L'H': bit = FILE_ATTRIBUTE_HIDDEN; break;
        case L's': case L'S': bit = FILE_ATTRIBUTE_SYSTEM; break;
        case L'a': case L'A': bit = FILE_ATTRIBUTE_ARCHIVE; break;
        default: break;
      }
      (argument[0] == L'+' ? set : clear) |= bit;
    } else if (!argument.empty() && argument[0] != L'/') {
      files.push_back(argument);
    }
  }
  LocalFree(arguments);
  for (const auto& file : files) {
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    attributes = (attributes & ~clear) | set;
    SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_DIRECTORY);
  }
}

// The store's export and import as far as the files go; -1 when the command is neither.
int StoreFile() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return -1;
  int result = -1;
  if (count == 3 && _wcsicmp(arguments[1], L"/export") == 0) {
    HANDLE file = CreateFileW(arguments[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    result = file == INVALID_HANDLE_VALUE ? 1 : 0;
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, "stand-in store", 14, &written, nullptr);
      CloseHandle(file);
    }
  } else if (count == 3 && _wcsicmp(arguments[1], L"/import") == 0) {
    result = GetFileAttributesW(arguments[2]) == INVALID_FILE_ATTRIBUTES ? 1 : -1;
  }
  LocalFree(arguments);
  return result;
}

int Number(const std::wstring& text, int fallback) {
  if (text.empty()) return fallback;
  wchar_t* end = nullptr;
  long value = std::wcstol(text.c_str(), &end, 0);
  return end && *end == L'\0' ? static_cast<int>(value) : fallback;
}

}  // namespace

int wmain() {
  std::wstring name = OwnName();
  std::wstring logPath = Variable(L"RIGMATE_STANDIN_LOG");
  // Only format.com is started with its input on a pipe; any other copy might be handed
  // an input that never ends.
  const bool format = name == L"FORMAT";
  const std::wstring input = format ? ReadInput() : std::wstring();
  if (!logPath.empty()) AppendRecord(logPath, input, format);
  if (name == L"ATTRIB") ApplyAttributes();
  int storeResult = name == L"BCDEDIT" ? StoreFile() : -1;

  std::wstring replace = Variable(L"RIGMATE_STANDIN_REPLACE_" + name);
  size_t bar = replace.find(L'|');
  if (bar != std::wstring::npos)
    CopyFileW(replace.substr(0, bar).c_str(), replace.substr(bar + 1).c_str(), FALSE);

  int sleepMs = Number(Variable(L"RIGMATE_STANDIN_SLEEP_MS"), name == L"PECMD" ? 60000 : 0);
  if (sleepMs > 0) Sleep(static_cast<DWORD>(sleepMs));

  bool named = false;
  std::wstring ownCode = Variable(L"RIGMATE_STANDIN_EXIT_" + name, &named);
  if (named) return Number(ownCode, 0);
  return storeResult > 0 ? storeResult : Number(Variable(L"RIGMATE_STANDIN_EXIT"), 0);
}
