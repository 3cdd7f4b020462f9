// The test drives' fixture: finds, checks and empties the drives mapped for the Windows tests.
#include "tests/win/test_drives.h"

#include <windows.h>

namespace {

std::wstring Variable(const wchar_t* name, bool* present) {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  *present = length > 0 && length < buffer.size();
  return *present ? std::wstring(buffer.data(), length) : std::wstring();
}

bool LabelledForTests(const std::wstring& drive) {
  wchar_t label[256] = {};
  return GetVolumeInformationW((drive + L"\\").c_str(), label, 256, nullptr, nullptr, nullptr, nullptr, 0) &&
         std::wstring(label) == L"RIGMATE-TEST";
}

}  // namespace

void TestDrivesTest::SetUp() {
  bool present = false;
  std::wstring letters = Variable(L"RIGMATE_TEST_DRIVES", &present);
  if (!present) GTEST_SKIP() << "no test drives: run the Windows tests through tools/ctest-under-wine";
  for (size_t i = 0; i + 1 < letters.size(); i += 2) {
    std::wstring drive = letters.substr(i, 2);
    ASSERT_TRUE(LabelledForTests(drive)) << "drive " << std::string(drive.begin(), drive.end())
                                         << " is not labelled RIGMATE-TEST: not emptying it";
    ASSERT_TRUE(EmptyFolder(drive)) << "cannot empty a test drive";
    drives_.push_back(drive);
  }
}

bool TestDrivesTest::WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  size_t slash = path.find_last_of(L'\\');
  if (slash != std::wstring::npos && !MakeFolders(path.substr(0, slash))) return false;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string TestDrivesTest::ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

bool TestDrivesTest::MakeFolders(const std::wstring& folder) {
  for (size_t i = 0; i <= folder.size(); ++i) {
    if (i < folder.size() && folder[i] != L'\\') continue;
    std::wstring prefix = folder.substr(0, i);
    if (prefix.size() <= 2) continue;                      // "P:" itself
    if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

bool TestDrivesTest::Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine's own files of a mapped folder (such as the label file) start with a dot: kept.
bool TestDrivesTest::EmptyFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool ok = true;
  do {
    std::wstring name = data.cFileName;
    if (name.empty() || name[0] == L'.') continue;
    std::wstring path = folder + L"\\" + name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ok = EmptyFolder(path) && RemoveDirectoryW(path.c_str()) && ok;
    else
      ok = DeleteFileW(path.c_str()) && ok;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return ok;
}

ScopedVariable::ScopedVariable(const std::wstring& name, const std::wstring& value) : name_(name) {
  former_ = Variable(name.c_str(), &hadFormer_);
  SetEnvironmentVariableW(name.c_str(), value.c_str());
}

ScopedVariable::~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), hadFormer_ ? former_.c_str() : nullptr); }
