// For Windows tests: where the stand-in program lies and what its log says.
//
// A target that includes this header gets RIGMATE_STANDIN_EXE from tests/standin
// (target_compile_definitions(... RIGMATE_STANDIN_EXE="${RIGMATE_STANDIN_EXE}") and a
// dependency on the target `standin`); the path is the build machine's, under Wine Z:.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct StandinRecord {
  std::wstring folder;         // working folder of the start
  std::wstring commandLine;    // as GetCommandLineW gave it
  std::wstring input;          // what format.com read from its standard input
};

#ifdef RIGMATE_STANDIN_EXE
// The stand-in as a Windows path: "Z:\...\standin.exe" for a Linux build folder.
inline std::wstring StandinPath() {
  std::string unixPath = RIGMATE_STANDIN_EXE;
  std::wstring path = unixPath.size() > 1 && unixPath[1] == ':' ? L"" : L"Z:";
  for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return path;
}

// planted.exe or planted.dll (tests/standin/planted.cpp), built beside the stand-in
// (targets planted_exe, planted_dll).
inline std::wstring PlantedPath(const std::wstring& name) {
  std::wstring standin = StandinPath();
  return standin.substr(0, standin.find_last_of(L'\\') + 1) + name;
}

// The windowed build of the stand-in (target standin_windowed): no console of its own.
inline std::wstring WindowedStandinPath() { return PlantedPath(L"standin-windowed.exe"); }
#endif

// The records of a log written by stand-ins; none when the file does not exist.
inline std::vector<StandinRecord> ReadStandinLog(const std::wstring& logPath) {
  std::vector<StandinRecord> records;
  HANDLE file = CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return records;
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    int length = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &text[0], length);
    size_t tab = text.find(L'\t');
    if (tab == std::wstring::npos) continue;
    size_t second = text.find(L'\t', tab + 1);
    std::wstring input = second == std::wstring::npos ? std::wstring() : text.substr(second + 1);
    records.push_back({text.substr(0, tab), text.substr(tab + 1, second - tab - 1), input});
  }
  return records;
}
