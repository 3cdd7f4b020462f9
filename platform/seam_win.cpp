// The Win32 side of the seam: files, shell, registry, processes, restart, devices and volumes.
#include "platform/seam_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "platform/disk_instance_path_win.h"
#include "platform/format.h"
#include "platform/small_icons_win.h"
#include "platform/user_window.h"
#include "platform/win_handle.h"

namespace {

// A zeroed buffer holding the path, at least 260 characters, ending in two zeros.
std::vector<wchar_t> DoubleZeroBuffer(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.size() + 2 < MAX_PATH ? MAX_PATH : path.size() + 2, L'\0');
  path.copy(buffer.data(), path.size());
  return buffer;
}

FileHandle OpenDevice(const std::wstring& path, DWORD attributes) {
  return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, attributes, nullptr));
}

// "\\?\Volume{...}": a volume named by its path rather than its letter.
bool IsVolumePath(const std::wstring& name) { return name.compare(0, 4, L"\\\\?\\") == 0; }

// The device path of a volume given as "C:" or as a volume path (without the trailing
// backslash, which would open its root folder instead).
std::wstring VolumeDevicePath(const std::wstring& volume) {
  if (!IsVolumePath(volume)) return L"\\\\.\\" + volume;
  std::wstring path = volume;
  if (path.back() == L'\\') path.pop_back();
  return path;
}

FileEntry EntryOf(const WIN32_FIND_DATAW& data) {
  FileEntry entry{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, {}};
  FILETIME local;
  SYSTEMTIME time;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time))
    entry.modified = LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
  return entry;
}

FileHandle OpenPhysicalDrive(int disk) { return OpenDevice(Format(L"\\\\.\\PhysicalDrive%d", disk), 0); }

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 20)), done = 0;
    if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

template <typename Function>
Function Kernel32Function(const char* name) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (!kernel32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)));
}

template <typename Function>
Function LibraryFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// version.dll, loaded at the first use: imported, it would be looked for beside the
// program before the system folder, before the program's first line runs.
HMODULE VersionLibrary() {
  static HMODULE module = SystemLibrary(L"version.dll");
  return module;
}

}  // namespace

HMODULE SystemLibrary(const wchar_t* name) {
  HMODULE loaded = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!loaded && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Windows without the System32 search flag (Vista, 7 before KB2533623): the full path.
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      loaded = LoadLibraryExW((std::wstring(system) + L"\\" + name).c_str(), nullptr,
                              LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return loaded;
}

HIMAGELIST VolumeImageList() {
  static HIMAGELIST list = CreateSmallIconList();
  return list;
}

// ---- Files and folders -------------------------------------------------------------

bool Win32Seam::FindFile(const std::wstring& path, FileEntry* found) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(path.c_str(), &data));
  if (!find) return false;
  if (found) *found = EntryOf(data);
  return true;
}

std::vector<FileEntry> Win32Seam::ListFolder(const std::wstring& folder) {
  std::vector<FileEntry> entries;
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((folder + L"\\*.*").c_str(), &data));
  if (!find) return entries;
  do {
    entries.push_back(EntryOf(data));
  } while (FindNextFileW(find.get(), &data));
  return entries;
}

bool Win32Seam::MakeFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

bool Win32Seam::CopyOneFile(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

namespace {

DWORD CALLBACK TellCopiedBytes(LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                               HANDLE, HANDLE, LPVOID onBytes) {
  (*static_cast<const std::function<void(uint64_t)>*>(onBytes))(static_cast<uint64_t>(copied.QuadPart));
  return PROGRESS_CONTINUE;
}

}  // namespace

bool Win32Seam::CopyFileReporting(const std::wstring& from, const std::wstring& to,
                                  const std::function<void(uint64_t)>& onBytes, uint32_t* error) {
  if (CopyFileExW(from.c_str(), to.c_str(), onBytes ? &TellCopiedBytes : nullptr,
                  const_cast<std::function<void(uint64_t)>*>(&onBytes), nullptr, 0))
    return true;
  *error = GetLastError();
  return false;
}

bool Win32Seam::RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool Win32Seam::RenameReplacing(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

Win32Seam::Win32Seam() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool Win32Seam::ShellCopy(const std::wstring& from, const std::wstring& to) {
  std::vector<wchar_t> source = DoubleZeroBuffer(from), target = DoubleZeroBuffer(to);
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = mainWindow_.load();
  operation.wFunc = FO_COPY;
  operation.pFrom = source.data();
  operation.pTo = target.data();
  operation.fFlags = FOF_NOCONFIRMMKDIR;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

// The shell's delete with these flags: its own result; *aborted when it gave up part of it.
int Win32Seam::ShellDeleteWith(const std::wstring& path, unsigned flags, bool* aborted) {
  std::vector<wchar_t> source = DoubleZeroBuffer(path);
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = mainWindow_.load();
  operation.wFunc = FO_DELETE;
  operation.pFrom = source.data();
  operation.fFlags = static_cast<FILEOP_FLAGS>(flags);
  const int result = SHFileOperationW(&operation);
  *aborted = operation.fAnyOperationsAborted != FALSE;
  return result;
}

bool Win32Seam::ShellDelete(const std::wstring& path) {
  bool aborted = false;
  return ShellDeleteWith(path, FOF_NOCONFIRMATION, &aborted) == 0;
}

uint32_t Win32Seam::ShellDeleteQuietly(const std::wstring& path) {
  bool aborted = false;
  const int result = ShellDeleteWith(path, FOF_NOCONFIRMATION | FOF_NOERRORUI, &aborted);
  if (result != 0) return static_cast<uint32_t>(result);
  return aborted ? ERROR_CANCELLED : 0;
}

bool Win32Seam::ReadWholeFile(const std::wstring& path, std::string* bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > bytes->max_size())
    return false;
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < content.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20)), got = 0;
    if (!ReadFile(file.get(), &content[done], chunk, &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  content.resize(done);
  bytes->swap(content);
  return true;
}

bool Win32Seam::ReadFileHead(const std::wstring& path, size_t limit, std::string* bytes, bool* more) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
  const unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
  std::string head(static_cast<size_t>(std::min<unsigned long long>(total, limit)), '\0');
  size_t done = 0;
  while (done < head.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), &head[done], static_cast<DWORD>(head.size() - done), &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  head.resize(done);
  bytes->swap(head);
  *more = total > done;
  return true;
}

// The new bytes go to a file beside the old one and reach the disk before one rename puts
// them in its place: a power cut leaves the old bytes or the new ones, never part of them.
bool Win32Seam::RewriteFile(const std::wstring& path, const std::string& bytes) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  const std::wstring written = path + L".kx~";
  if (!WriteNewFile(written, bytes)) {
    DeleteFileW(written.c_str());
    return false;
  }
  if (MoveFileExW(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileW(written.c_str());
  return false;
}

// Flushed before it returns: what is staged next (a boot entry) may rely on these bytes
// being on the disk when the power goes.
bool Win32Seam::WriteNewFile(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  return file && WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
}

uint32_t Win32Seam::FileAttributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool Win32Seam::SetAttributes(const std::wstring& path, uint32_t attributes) {
  return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool Win32Seam::FileSize(const std::wstring& path, uint64_t* bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  *bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// ---- System facts ------------------------------------------------------------------

std::wstring Win32Seam::ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring Win32Seam::TempPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

std::wstring Win32Seam::SystemDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

std::wstring Win32Seam::LogicalDriveStrings() {
  wchar_t buffer[256] = {};
  GetLogicalDriveStringsW(256, buffer);
  return std::wstring(buffer, 256);
}

bool Win32Seam::VersionMajor(bool extended, int* major) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return false;
  *major = static_cast<int>(info.dwMajorVersion);
  return true;
}

bool Win32Seam::RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access,
                             size_t bufferBytes, std::wstring* text) {
  RegistryKeyHandle handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, handle.receive()) != ERROR_SUCCESS) return false;
  std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD type = 0, size = static_cast<DWORD>(bufferBytes);
  if (RegQueryValueExW(handle.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  // The value need not end with its terminator: the spare element of the buffer gives one.
  std::wstring result(buffer.data(), size / sizeof(wchar_t));
  *text = result.substr(0, result.find(L'\0'));
  return true;
}

bool Win32Seam::RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access,
                               uint32_t* number) {
  RegistryKeyHandle handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, handle.receive()) != ERROR_SUCCESS) return false;
  DWORD data = 0, type = 0, size = sizeof(data);
  if (RegQueryValueExW(handle.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(data))
    return false;
  *number = data;
  return true;
}

bool Win32Seam::RegistryKeyExists(const std::wstring& key, uint32_t access) {
  RegistryKeyHandle handle;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, handle.receive()) == ERROR_SUCCESS;
}

namespace {

bool WriteRegistryValue(const std::wstring& key, const std::wstring& value, DWORD type, const void* data,
                        size_t bytes) {
  RegistryKeyHandle handle;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, handle.receive(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExW(handle.get(), value.c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(bytes)) == ERROR_SUCCESS &&
         RegFlushKey(handle.get()) == ERROR_SUCCESS;
}

}  // namespace

bool Win32Seam::WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) {
  DWORD data = number;
  return WriteRegistryValue(key, value, REG_DWORD, &data, sizeof(data));
}

bool Win32Seam::WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) {
  return WriteRegistryValue(key, value, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool Win32Seam::DeleteRegistryValue(const std::wstring& key, const std::wstring& value) {
  RegistryKeyHandle handle;
  LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, handle.receive());
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = RegDeleteValueW(handle.get(), value.c_str());
  return (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) && RegFlushKey(handle.get()) == ERROR_SUCCESS;
}

bool Win32Seam::IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool Win32Seam::TotalPhysicalMemory(uint64_t* bytes) {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return false;
  *bytes = status.ullTotalPhys;
  return true;
}

bool Win32Seam::ProcessNames(std::vector<std::wstring>* names) {
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  names->clear();
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
    names->push_back(entry.szExeFile);
  return true;
}

bool Win32Seam::FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) {
  using SizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  static const auto infoSize = LibraryFunction<SizeFunction>(VersionLibrary(), "GetFileVersionInfoSizeW");
  static const auto info = LibraryFunction<InfoFunction>(VersionLibrary(), "GetFileVersionInfoW");
  static const auto query = LibraryFunction<QueryFunction>(VersionLibrary(), "VerQueryValueW");
  if (!infoSize || !info || !query) return false;
  DWORD ignored = 0;
  DWORD size = infoSize(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!info(path.c_str(), 0, size, block.data()) ||
      !query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  *ms = fixed->dwFileVersionMS;
  *ls = fixed->dwFileVersionLS;
  return true;
}

LocalTime Win32Seam::Now() {
  SYSTEMTIME time;
  GetLocalTime(&time);
  return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

bool Win32Seam::NewGuid(Guid* guid) {
  GUID made;
  if (FAILED(CoCreateGuid(&made))) return false;
  guid->data1 = made.Data1;
  guid->data2 = made.Data2;
  guid->data3 = made.Data3;
  for (int i = 0; i < 8; ++i) guid->data4[i] = made.Data4[i];
  return true;
}

bool Win32Seam::ResourceBytes(int id, const std::wstring& type, std::string* bytes) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str());
  if (!found) return false;
  DWORD size = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes->assign(static_cast<const char*>(data), size);
  return true;
}

namespace {

std::wstring MultiByteToWide(UINT codePage, const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

std::string WideToMultiByte(UINT codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring Win32Seam::AnsiToWide(const std::string& bytes) { return MultiByteToWide(CP_ACP, bytes); }

std::string Win32Seam::WideToAnsi(const std::wstring& text) { return WideToMultiByte(CP_ACP, text); }

std::wstring Win32Seam::ThreadAnsiToWide(const std::string& bytes) { return MultiByteToWide(CP_THREAD_ACP, bytes); }

std::string Win32Seam::WideToThreadAnsi(const std::wstring& text) { return WideToMultiByte(CP_THREAD_ACP, text); }

bool Win32Seam::VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) {
  wchar_t name[256] = {}, system[256] = {};
  if (!GetVolumeInformationW(root.c_str(), name, 256, nullptr, nullptr, nullptr, system, 256)) return false;
  *label = name;
  *fileSystem = system;
  return true;
}


bool Win32Seam::FreeBytes(const std::wstring& root, uint64_t* bytes) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) return false;
  *bytes = free.QuadPart;
  return true;
}

bool Win32Seam::VolumeSerialNumber(const std::wstring& root, uint32_t* serial) {
  DWORD number = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &number, nullptr, nullptr, nullptr, 0)) return false;
  *serial = number;
  return true;
}

int Win32Seam::AddVolumeIcon(const std::wstring& letter) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(letter.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) ||
      !info.hIcon)
    return -1;
  int index = ImageList_AddIcon(VolumeImageList(), info.hIcon);
  DestroyIcon(info.hIcon);
  return index;
}

std::wstring Win32Seam::VolumeGuidPath(const std::wstring& root) {
  wchar_t name[64] = {};   // "\\?\Volume{GUID}\" is 49 characters with its zero
  if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name, 64)) return std::wstring();
  return name;
}

uint32_t Win32Seam::LastError() { return GetLastError(); }

std::wstring Win32Seam::ErrorText(uint32_t code) {
  wchar_t* buffer = nullptr;
  // Language 0: the user's language first, then the system's, then English.
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

// ---- Dangerous or missing under test -----------------------------------------------

namespace {

// CreateProcessW as every start of the program makes it; false when it cannot start.
bool Launch(const std::wstring& application, const std::wstring& commandLine, bool show, KernelHandle* process) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show ? SW_SHOW : SW_HIDE);
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), writable.data(), nullptr, nullptr,
                      FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &created))
    return false;
  KernelHandle thread(created.hThread);
  process->reset(created.hProcess);
  return true;
}

int ExitCodeOf(const KernelHandle& process) {
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) return -1;
  return static_cast<int>(code);
}

}  // namespace

int Win32Seam::StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                            bool show) {
  KernelHandle process;
  if (!Launch(application, commandLine, show, &process)) return -1;
  if (!wait) return 0;
  WaitForSingleObject(process.get(), INFINITE);
  return ExitCodeOf(process);
}

int Win32Seam::StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                                   const std::function<bool()>& keepWaiting, bool* abandoned) {
  *abandoned = false;
  KernelHandle process;
  if (!Launch(application, commandLine, show, &process)) return -1;
  while (WaitForSingleObject(process.get(), 100) == WAIT_TIMEOUT) {
    if (keepWaiting()) continue;
    *abandoned = true;
    return -1;
  }
  return ExitCodeOf(process);
}

bool Win32Seam::EnableShutdownPrivilege() {
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;    // ERROR_NOT_ALL_ASSIGNED is a failure too
}

bool Win32Seam::RequestReboot(uint32_t* error) {
  if (ExitWindowsEx(EWX_REBOOT, 4)) return true;
  *error = GetLastError();
  return false;
}

void Win32Seam::EndProcess(int code) { ExitProcess(static_cast<UINT>(code)); }

bool Win32Seam::PhysicalDriveOpens(int disk) { return OpenPhysicalDrive(disk).valid(); }

bool Win32Seam::DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) {
  FileHandle device = OpenPhysicalDrive(disk);
  if (!device) {
    *error = GetLastError();
    return false;
  }
  buffer->assign(bufferSize, 0);
  DWORD returned = 0;
  if (!DeviceIoControl(device.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer->data(),
                       static_cast<DWORD>(bufferSize), &returned, nullptr)) {
    *error = GetLastError();
    return false;
  }
  return true;
}

bool Win32Seam::DiskLength(int disk, int64_t* length) {
  FileHandle device = OpenPhysicalDrive(disk);
  GET_LENGTH_INFORMATION info = {};
  DWORD returned = 0;
  if (!device || !DeviceIoControl(device.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof(info),
                                  &returned, nullptr))
    return false;
  *length = info.Length.QuadPart;
  return true;
}

VolumeOpen Win32Seam::VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) {
  FileHandle device = OpenDevice(VolumeDevicePath(volume), FILE_ATTRIBUTE_NORMAL);
  if (!device) return VolumeOpen::NotOpened;
  STORAGE_DEVICE_NUMBER info = {};
  DWORD returned = 0;
  if (!DeviceIoControl(device.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &info, sizeof(info), &returned,
                       nullptr))
    return VolumeOpen::QueryFailed;
  *number = StorageDeviceNumber{info.DeviceType, info.DeviceNumber, info.PartitionNumber};
  return VolumeOpen::Ok;
}

bool Win32Seam::VolumePartitionStyle(const std::wstring& volume, int* style) {
  FileHandle device = OpenDevice(VolumeDevicePath(volume), 0);
  PARTITION_INFORMATION_EX info = {};
  DWORD returned = 0;
  if (!device || !DeviceIoControl(device.get(), IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &info, sizeof(info),
                                  &returned, nullptr))
    return false;
  *style = static_cast<int>(info.PartitionStyle);
  return true;
}

bool Win32Seam::DiskStorageFacts(int disk, StorageFacts* facts) {
  // The query needs no access right, so it answers without opening the disk for reading.
  FileHandle device(CreateFileW(Format(L"\\\\.\\PhysicalDrive%d", disk).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  STORAGE_PROPERTY_QUERY query = {};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  // The descriptor is followed by its strings (vendor, product, serial number).
  alignas(STORAGE_DEVICE_DESCRIPTOR) char buffer[1024] = {};
  auto* descriptor = reinterpret_cast<STORAGE_DEVICE_DESCRIPTOR*>(buffer);
  DWORD returned = 0;
  if (!device || !DeviceIoControl(device.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer,
                                  sizeof(buffer) - 1, &returned, nullptr) ||
      returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(descriptor->BusType))
    return false;
  facts->removableMedia = descriptor->RemovableMedia != FALSE;
  facts->busType = static_cast<uint32_t>(descriptor->BusType);
  facts->serial.clear();
  DWORD at = returned >= offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) + sizeof(DWORD)
                 ? descriptor->SerialNumberOffset : 0;
  // Offset 0 (or -1 on some drivers) means there is none; the buffer ends in a zero.
  if (at != 0 && at < returned) {
    std::string serial(buffer + at);
    size_t first = serial.find_first_not_of(' '), last = serial.find_last_not_of(' ');
    if (first != std::string::npos)
      for (char c : serial.substr(first, last - first + 1)) facts->serial.push_back(static_cast<unsigned char>(c));
  }
  facts->instancePath = DiskInstancePath(disk);
  return true;
}

// ---- The main window ---------------------------------------------------------------

void Win32Seam::SetMainWindow(void* window) { mainWindow_.store(static_cast<HWND>(window)); }

void* Win32Seam::MainWindow() { return mainWindow_.load(); }

void Win32Seam::SetMainWindowVisible(bool visible) {
  HWND window = mainWindow_.load();
  if (window) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

// ---- Boot firmware and WOW64 redirection ---------------------------------------------

// GetFirmwareType where Windows has it (8 and later); before that, reading a firmware
// variable fails with ERROR_INVALID_FUNCTION only on BIOS machines.
bool Win32Seam::FirmwareIsUefi() {
  using GetFirmwareTypeFunction = BOOL(WINAPI*)(DWORD*);
  if (auto getFirmwareType = Kernel32Function<GetFirmwareTypeFunction>("GetFirmwareType")) {
    DWORD type = 0;
    if (getFirmwareType(&type)) return type == 2;    // FirmwareTypeUefi
  }
  using GetVariableFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, PVOID, DWORD);
  auto getVariable = Kernel32Function<GetVariableFunction>("GetFirmwareEnvironmentVariableW");
  if (!getVariable) return false;
  getVariable(L"", L"{00000000-0000-0000-0000-000000000000}", nullptr, 0);
  return GetLastError() != ERROR_INVALID_FUNCTION;
}

std::wstring Win32Seam::DosDeviceName(const std::wstring& drive) {
  // A volume path is asked by its name alone: "Volume{...}".
  std::wstring name = drive;
  if (IsVolumePath(name)) name = name.substr(4);
  if (!name.empty() && name.back() == L'\\') name.pop_back();
  wchar_t target[1024] = {};
  if (QueryDosDeviceW(name.c_str(), target, 1024) == 0) return std::wstring();
  return target;   // the first of the names, the one in use
}

std::vector<std::wstring> Win32Seam::VolumeNames() {
  std::vector<std::wstring> names;
  wchar_t name[MAX_PATH] = {};
  HANDLE search = FindFirstVolumeW(name, MAX_PATH);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(name);
  while (FindNextVolumeW(search, name, MAX_PATH));
  FindVolumeClose(search);
  return names;
}

bool Win32Seam::DisableFsRedirection(void** previous) {
  using Function = BOOL(WINAPI*)(PVOID*);
  auto disable = Kernel32Function<Function>("Wow64DisableWow64FsRedirection");
  return disable && disable(previous);
}

bool Win32Seam::RevertFsRedirection(void* previous) {
  using Function = BOOL(WINAPI*)(PVOID);
  auto revert = Kernel32Function<Function>("Wow64RevertWow64FsRedirection");
  return revert && revert(previous);
}

// ---- The shell's format dialog ----------------------------------------------------

uint32_t Win32Seam::FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) {
  return SHFormatDrive(UserWindow(mainWindow_.load()), drive, formatId, options);
}
