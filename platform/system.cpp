// The system utilities over the seam: files, data-file search, process starts, restart, Windows facts.
#include "platform/system.h"

#include "platform/disk.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/prompts.h"

namespace {

// Holds one path of an SHFileOperationW buffer: 260 characters with the double zero.
constexpr size_t kShellPathChars = 259;
const wchar_t* const kCaption = L"Rigmate";
const wchar_t* const kVersionKey = L"SOFTWARE\\MicroSoft\\Windows NT\\CurrentVersion";
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeyReadWow64Key = 0x20119;   // KEY_READ | KEY_WOW64_64KEY

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

std::wstring LowerText(std::wstring text) {
  for (auto& c : text) c = Lower(c);
  return text;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// The fixed four-character slots of a logical-drive buffer, up to the first empty one.
std::vector<std::wstring> DriveSlots() {
  std::wstring strings = TheSeam().LogicalDriveStrings();
  strings.resize(256, L'\0');
  std::vector<std::wstring> slots;
  for (size_t slot = 0; slot < 64 && strings[slot * 4] != L'\0'; ++slot) {
    std::wstring text = strings.substr(slot * 4, 4);
    slots.push_back(text.substr(0, text.find(L'\0')));
  }
  return slots;
}

// Days since 1970-01-01 to a proleptic Gregorian date.
void CivilFromDays(int64_t days, int64_t* year, int* month, int* day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

}  // namespace

bool IsProcessRunning(const std::wstring& executableName) {
  std::vector<std::wstring> names;
  if (!TheSeam().ProcessNames(&names)) return false;
  std::wstring wanted = LowerText(executableName);
  for (const auto& name : names)
    if (LowerText(name) == wanted) return true;
  return false;
}

std::wstring GetTempFolder() { return TheSeam().TempPath(); }

std::wstring GetModuleFolder() { return GetParentFolder(TheSeam().ModulePath()); }

std::wstring GetParentFolder(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring GetFileNamePart(const std::wstring& path, bool withExtension) {
  size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  std::wstring name = path.substr(slash + 1);
  if (!withExtension) name = name.substr(0, name.rfind(L'.'));
  return name;
}

bool PathExists(const std::wstring& path) {
  if (path.empty()) return false;
  if (path.rfind(L':') == path.size() - 1) {
    for (const auto& slot : DriveSlots())
      if (ContainsText(slot, path, false)) return true;
    return false;
  }
  return TheSeam().FindFile(path, nullptr);
}

bool ContainsText(const std::wstring& text, const std::wstring& part, bool matchCase) {
  if (matchCase) return text.find(part) != std::wstring::npos;
  return LowerText(text).find(LowerText(part)) != std::wstring::npos;
}

int CountBackslashes(const std::wstring& path) {
  int count = 0;
  for (wchar_t c : path)
    if (c == L'\\') ++count;
  return count;
}

bool CreateFolderPath(const std::wstring& folder) {
  std::wstring path = folder;
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != L'\\') continue;
    std::wstring prefix = path.substr(0, i);
    if (!PathExists(prefix) && !TheSeam().MakeFolder(prefix)) return false;
  }
  return true;
}

std::wstring ExtendedLengthPath(const std::wstring& path) {
  // 248: a folder's path must leave room for a file name of 8.3 (CreateDirectoryW).
  constexpr size_t kShortEnough = 248;
  if (path.size() < kShortEnough || path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

bool CopyFolderTree(const std::wstring& source, const std::wstring& destinationFolder) {
  FileEntry found;
  if (!TheSeam().FindFile(source, &found)) return false;
  if (IsDotEntry(found.name)) return true;
  if (!found.isFolder) {
    if (!CreateFolderPath(destinationFolder)) return false;
    return TheSeam().CopyOneFile(source, destinationFolder + L"\\" + found.name);
  }
  // The folder arrives under its whole name: "Notepad++ 7.5" and "Foo.v1" keep what
  // follows their last dot, so two such folders are never merged into one.
  std::wstring target = destinationFolder + L"\\" + found.name;
  for (const FileEntry& entry : TheSeam().ListFolder(source)) {
    if (IsDotEntry(entry.name)) continue;
    if (!CopyFolderTree(source + L"\\" + entry.name, target)) return false;
  }
  return true;
}

// A path too long for the shell's buffer is refused: cut, it could name another file.
bool CopyPath(const std::wstring& source, const std::wstring& destination) {
  if (source.size() > kShellPathChars || destination.size() > kShellPathChars) return false;
  return TheSeam().ShellCopy(source, destination);
}

bool DeletePath(const std::wstring& path) {
  if (!PathExists(path)) return true;
  if (path.size() > kShellPathChars) return false;
  return TheSeam().ShellDelete(path);
}

uint32_t DeletePathQuietly(const std::wstring& path) {
  constexpr uint32_t kFileNameTooLong = 206;   // ERROR_FILENAME_EXCED_RANGE
  if (!PathExists(path)) return 0;
  if (path.size() > kShellPathChars) return kFileNameTooLong;
  return TheSeam().ShellDeleteQuietly(path);
}

std::wstring FindFileInTree(const std::wstring& folder, const std::wstring& name, int depthLimit) {
  for (const FileEntry& entry : TheSeam().ListFolder(folder)) {
    if (!entry.isFolder || IsDotEntry(entry.name)) continue;
    std::wstring sub = folder + L"\\" + entry.name;
    if (CountBackslashes(sub) >= depthLimit) continue;
    std::wstring found = FindFileInTree(sub, name, depthLimit);
    if (!found.empty()) return found;
  }
  std::wstring candidate = folder + L"\\" + name;
  FileEntry entry;
  if (TheSeam().FindFile(candidate, &entry) && !entry.isFolder) return candidate;
  return std::wstring();
}

std::wstring FindFileOnDrives(const std::wstring& name, int depthLimit) {
  for (const auto& logical : TheDisk().logicalDrives) {
    if (logical.letter.empty()) continue;
    std::wstring found = FindFileInTree(logical.letter, name, depthLimit);
    if (!found.empty()) return found;
  }
  return std::wstring();
}

std::wstring FindDataRoot() { return GetParentFolder(FindFileOnDrives(L"Rigmate.mark", 1)); }

std::wstring FindDataFile(const std::wstring& name) {
  // Without a module folder the search would start at the root of the current drive.
  std::wstring module = GetModuleFolder();
  if (!module.empty()) {
    std::wstring found = FindFileInTree(module, name, CountBackslashes(module) + 3);
    if (!found.empty()) return found;
  }
  std::wstring root = FindDataRoot();
  if (!root.empty()) {
    std::wstring found = FindFileInTree(root, name, CountBackslashes(root) + 3);
    if (!found.empty()) return found;
  }
  return FindFileOnDrives(name, 3);
}

bool LocateFile(const std::wstring& relativePath, std::wstring* fullPath) {
  std::vector<std::wstring> candidates;
  std::wstring module = GetModuleFolder();
  if (!module.empty()) candidates.push_back(module + L"\\" + relativePath);
  for (const auto& logical : TheDisk().logicalDrives)
    if (!logical.letter.empty()) candidates.push_back(logical.letter + L"\\" + relativePath);
  for (const auto& candidate : candidates) {
    if (PathExists(candidate)) {
      if (fullPath) *fullPath = candidate;
      return true;
    }
  }
  return false;
}

std::wstring GetFileVersionString(const std::wstring& executablePath) {
  uint32_t ms = 0, ls = 0;
  if (!TheSeam().FileVersion(executablePath, &ms, &ls)) return std::wstring();
  return Format(L"%d.%d.%d.%d", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
}

int RunCommandLine(const std::wstring& commandLine, bool wait, bool show) {
  return TheSeam().StartProcess(std::wstring(), commandLine, wait, show);
}

int RunProgram(const std::wstring& application, const std::wstring& commandLine, bool wait, bool show) {
  return TheSeam().StartProcess(application, commandLine, wait, show);
}

int RunProgramWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                      const std::function<bool()>& keepWaiting, bool* abandoned) {
  return TheSeam().StartProcessWatched(application, commandLine, show, keepWaiting, abandoned);
}

int RunSystemTool(const std::wstring& commandLine, bool wait, bool show) {
  std::wstring system = TheSeam().SystemDirectory();
  if (system.empty()) return -1;
  std::wstring program = commandLine.substr(0, commandLine.find(L' '));
  return TheSeam().StartProcess(system + L"\\" + program, commandLine, wait, show);
}

int ShowMessage(const std::wstring& text, unsigned style) {
  return ThePrompts().ShowMessageBox(text, kCaption, style);
}

bool RebootSystem(int exitCode) {
  Seam& seam = TheSeam();
  if (!seam.EnableShutdownPrivilege()) return false;
  uint32_t error = 0;
  if (seam.RequestReboot(&error)) {
    seam.EndProcess(exitCode);
    return true;   // reached only behind a seam whose EndProcess returns (tests)
  }
  ShowMessage(WithErrorText(Format(L"退出Windows失败，错误代码：%d", error), error), mbox::IconExclamation);
  return false;
}

std::wstring GetSystemDrive() {
  std::wstring directory = TheSeam().SystemDirectory();
  return directory.size() < 2 ? std::wstring() : directory.substr(0, 2);
}

int GetOSMajorVersion() {
  int major = 0;
  if (TheSeam().VersionMajor(true, &major) || TheSeam().VersionMajor(false, &major)) return major;
  ShowMessage(L"获取系统版本失败！", mbox::IconExclamation);
  return -1;
}

std::wstring GetProductName() {
  std::wstring text;
  if (!TheSeam().RegistryText(kVersionKey, L"ProductName", kKeyQueryValue, 260, &text)) return std::wstring();
  return text;
}

std::wstring GetOSNameWithBitness() {
  std::wstring text = GetProductName();
  if (text.empty()) return std::wstring();
  return text + (TheSeam().IsWow64() ? L" 64位" : L" 32位");
}

std::wstring GetCurrentBuild() {
  std::wstring text;
  if (!TheSeam().RegistryText(kVersionKey, L"CurrentBuild", kKeyReadWow64Key, 520, &text)) return std::wstring();
  return text;
}

std::wstring GetInstallDateText() {
  uint32_t seconds = 0;
  if (!TheSeam().RegistryNumber(kVersionKey, L"InstallDate", kKeyReadWow64Key, &seconds)) return std::wstring();
  return FormatUtcTime(seconds);
}

// Years outside 1..9999 count as a failed conversion, as the C library's gmtime would.
std::wstring FormatUtcTime(int64_t seconds) {
  constexpr int64_t kSecondsPerDay = 86400;
  constexpr int64_t kLimit = 400000LL * 366 * kSecondsPerDay;
  if (seconds > kLimit || seconds < -kLimit) return std::wstring();
  int64_t days = seconds / kSecondsPerDay, rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, &year, &month, &day);
  if (year < 1 || year > 9999) return std::wstring();
  return Format(L"%04d-%02d-%02d %02d:%02d:%02d", year, month, day, static_cast<int>(rest / 3600),
                static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
}
