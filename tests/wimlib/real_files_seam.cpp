// RealFilesSeam: drive letters of the fake machine backed by real folders.
#include "tests/wimlib/real_files_seam.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

wchar_t UpperLetter(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool HasWildcard(const std::wstring& name) { return name.find_first_of(L"*?") != std::wstring::npos; }

}  // namespace

RealFilesSeam::RealFilesSeam(const std::string& root, const std::wstring& letters) : root_(root) {
  for (wchar_t c : letters) letters_.push_back(UpperLetter(c));
  SetDrives(letters_);
  for (wchar_t letter : letters_) fs::create_directories(root_ + "/" + static_cast<char>(letter));
}

std::string RealFilesSeam::RealPath(const std::wstring& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != L':') return std::string();
  wchar_t letter = UpperLetter(windowsPath[0]);
  if (letters_.find(letter) == std::wstring::npos) return std::string();
  std::wstring rest = windowsPath.substr(2);
  std::replace(rest.begin(), rest.end(), L'\\', L'/');
  return root_ + "/" + static_cast<char>(letter) + WideToAnsi(rest);
}

bool RealFilesSeam::FindFile(const std::wstring& path, FileEntry* found) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::FindFile(path, found);
  size_t slash = path.rfind(L'\\');
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  if (HasWildcard(name)) {
    std::string pattern = WideToAnsi(name);
    for (const FileEntry& entry : ListFolder(path.substr(0, slash))) {
      if (fnmatch(pattern.c_str(), WideToAnsi(entry.name).c_str(), FNM_CASEFOLD) != 0) continue;
      if (found) *found = entry;
      return true;
    }
    return false;
  }
  std::error_code error;
  fs::file_status status = fs::status(real, error);
  if (!fs::exists(status)) return false;
  if (found) *found = FileEntry{name, fs::is_directory(status), {}};
  return true;
}

// Sorted by name, as NTFS lists a folder; "." and ".." first except in a drive root.
std::vector<FileEntry> RealFilesSeam::ListFolder(const std::wstring& folder) {
  std::string real = RealPath(folder);
  if (real.empty()) return FakeSeam::ListFolder(folder);
  std::vector<FileEntry> entries;
  std::error_code error;
  fs::directory_iterator it(real, error);
  if (error) return entries;
  for (const auto& entry : it) entries.push_back({AnsiToWide(entry.path().filename().string()), entry.is_directory(), {}});
  std::sort(entries.begin(), entries.end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
  if (folder.size() > 3) entries.insert(entries.begin(), {{L".", true, {}}, {L"..", true, {}}});
  return entries;
}

bool RealFilesSeam::MakeFolder(const std::wstring& path) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::MakeFolder(path);
  std::error_code error;
  return fs::create_directory(real, error);
}

bool RealFilesSeam::RemoveFile(const std::wstring& path) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::RemoveFile(path);
  std::error_code error;
  return !fs::is_directory(real, error) && fs::remove(real, error);
}

bool RealFilesSeam::ShellDelete(const std::wstring& path) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::ShellDelete(path);
  std::error_code error;
  return fs::remove_all(real, error) > 0 && !error;
}

bool RealFilesSeam::ReadWholeFile(const std::wstring& path, std::string* bytes) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::ReadWholeFile(path, bytes);
  std::ifstream in(real, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool RealFilesSeam::WriteNewFile(const std::wstring& path, const std::string& bytes) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::WriteNewFile(path, bytes);
  std::ofstream out(real, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

uint32_t RealFilesSeam::FileAttributes(const std::wstring& path) {
  std::string real = RealPath(path);
  if (real.empty()) return FakeSeam::FileAttributes(path);
  std::error_code error;
  fs::file_status status = fs::status(real, error);
  if (!fs::exists(status)) return fattr::Invalid;
  return fs::is_directory(status) ? fattr::Directory : fattr::Archive;
}

uint32_t RealFilesSeam::FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) {
  uint32_t result = FakeSeam::FormatDrive(drive, formatId, options);
  if (result != 0 || drive >= 26) return result;
  std::string real = RealPath(std::wstring(1, static_cast<wchar_t>(L'A' + drive)) + L":");
  std::error_code error;
  if (!real.empty())
    for (const auto& entry : fs::directory_iterator(real, error)) fs::remove_all(entry.path(), error);
  return result;
}
