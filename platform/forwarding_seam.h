// ForwardingSeam: a seam that hands every call to another one. Seams that change a few
// answers (the log) derive from it and override only those. Every method of Seam is
// pure and forwarded here: the assertion at the end stops the build when one is not, so
// a layer cannot quietly answer a call in its own way instead of the machine's.
#pragma once

#include <type_traits>

#include "platform/seam.h"

class ForwardingSeam : public Seam {
 public:
  explicit ForwardingSeam(Seam& inner) : inner_(inner) {}
  Seam& inner() { return inner_; }

  bool FindFile(const std::wstring& path, FileEntry* found) override { return inner_.FindFile(path, found); }
  std::vector<FileEntry> ListFolder(const std::wstring& folder) override { return inner_.ListFolder(folder); }
  bool MakeFolder(const std::wstring& path) override { return inner_.MakeFolder(path); }
  bool CopyOneFile(const std::wstring& from, const std::wstring& to) override { return inner_.CopyOneFile(from, to); }
  bool RemoveFile(const std::wstring& path) override { return inner_.RemoveFile(path); }
  bool RenameReplacing(const std::wstring& from, const std::wstring& to) override {
    return inner_.RenameReplacing(from, to);
  }
  bool CopyFileReporting(const std::wstring& from, const std::wstring& to,
                         const std::function<void(uint64_t)>& onBytes, uint32_t* error) override {
    return inner_.CopyFileReporting(from, to, onBytes, error);
  }
  bool ShellCopy(const std::wstring& from, const std::wstring& to) override { return inner_.ShellCopy(from, to); }
  bool ShellDelete(const std::wstring& path) override { return inner_.ShellDelete(path); }
  uint32_t ShellDeleteQuietly(const std::wstring& path) override { return inner_.ShellDeleteQuietly(path); }
  bool ReadWholeFile(const std::wstring& path, std::string* bytes) override {
    return inner_.ReadWholeFile(path, bytes);
  }
  bool ReadFileHead(const std::wstring& path, size_t limit, std::string* bytes, bool* more) override {
    return inner_.ReadFileHead(path, limit, bytes, more);
  }
  bool RewriteFile(const std::wstring& path, const std::string& bytes) override {
    return inner_.RewriteFile(path, bytes);
  }
  bool WriteNewFile(const std::wstring& path, const std::string& bytes) override {
    return inner_.WriteNewFile(path, bytes);
  }
  uint32_t FileAttributes(const std::wstring& path) override { return inner_.FileAttributes(path); }
  bool FileSize(const std::wstring& path, uint64_t* bytes) override { return inner_.FileSize(path, bytes); }
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
    return inner_.SetAttributes(path, attributes);
  }
  std::wstring ModulePath() override { return inner_.ModulePath(); }
  std::wstring TempPath() override { return inner_.TempPath(); }
  std::wstring SystemDirectory() override { return inner_.SystemDirectory(); }
  std::wstring LogicalDriveStrings() override { return inner_.LogicalDriveStrings(); }
  bool VersionMajor(bool extended, int* major) override { return inner_.VersionMajor(extended, major); }
  bool RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access,
                    size_t bufferBytes, std::wstring* text) override {
    return inner_.RegistryText(key, value, access, bufferBytes, text);
  }
  bool RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access, uint32_t* number) override {
    return inner_.RegistryNumber(key, value, access, number);
  }
  bool RegistryKeyExists(const std::wstring& key, uint32_t access) override {
    return inner_.RegistryKeyExists(key, access);
  }
  bool WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) override {
    return inner_.WriteRegistryNumber(key, value, number);
  }
  bool WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) override {
    return inner_.WriteRegistryText(key, value, text);
  }
  bool DeleteRegistryValue(const std::wstring& key, const std::wstring& value) override {
    return inner_.DeleteRegistryValue(key, value);
  }
  bool IsWow64() override { return inner_.IsWow64(); }
  bool TotalPhysicalMemory(uint64_t* bytes) override { return inner_.TotalPhysicalMemory(bytes); }
  bool ProcessNames(std::vector<std::wstring>* names) override { return inner_.ProcessNames(names); }
  bool FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) override {
    return inner_.FileVersion(path, ms, ls);
  }
  LocalTime Now() override { return inner_.Now(); }
  bool NewGuid(Guid* guid) override { return inner_.NewGuid(guid); }
  bool ResourceBytes(int id, const std::wstring& type, std::string* bytes) override {
    return inner_.ResourceBytes(id, type, bytes);
  }
  std::wstring AnsiToWide(const std::string& bytes) override { return inner_.AnsiToWide(bytes); }
  std::string WideToAnsi(const std::wstring& text) override { return inner_.WideToAnsi(text); }
  std::wstring ThreadAnsiToWide(const std::string& bytes) override { return inner_.ThreadAnsiToWide(bytes); }
  std::string WideToThreadAnsi(const std::wstring& text) override { return inner_.WideToThreadAnsi(text); }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) override {
    return inner_.VolumeInformation(root, label, fileSystem);
  }
  bool FreeBytes(const std::wstring& root, uint64_t* bytes) override { return inner_.FreeBytes(root, bytes); }
  bool VolumeSerialNumber(const std::wstring& root, uint32_t* serial) override {
    return inner_.VolumeSerialNumber(root, serial);
  }
  int AddVolumeIcon(const std::wstring& letter) override { return inner_.AddVolumeIcon(letter); }
  std::wstring VolumeGuidPath(const std::wstring& root) override { return inner_.VolumeGuidPath(root); }
  uint32_t LastError() override { return inner_.LastError(); }
  std::wstring ErrorText(uint32_t code) override { return inner_.ErrorText(code); }
  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait, bool show) override {
    return inner_.StartProcess(application, commandLine, wait, show);
  }
  int StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                          const std::function<bool()>& keepWaiting, bool* abandoned) override {
    return inner_.StartProcessWatched(application, commandLine, show, keepWaiting, abandoned);
  }
  int StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                            const std::wstring& input, bool* typed) override {
    return inner_.StartProcessWithInput(application, commandLine, input, typed);
  }
  bool EnableShutdownPrivilege() override { return inner_.EnableShutdownPrivilege(); }
  bool RequestReboot(uint32_t* error) override { return inner_.RequestReboot(error); }
  void EndProcess(int code) override { inner_.EndProcess(code); }
  bool PhysicalDriveOpens(int disk) override { return inner_.PhysicalDriveOpens(disk); }
  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) override {
    return inner_.DriveLayout(disk, bufferSize, buffer, error);
  }
  bool DiskLength(int disk, int64_t* length) override { return inner_.DiskLength(disk, length); }
  bool DiskStorageFacts(int disk, StorageFacts* facts) override { return inner_.DiskStorageFacts(disk, facts); }
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override {
    return inner_.VolumeDeviceNumber(volume, number);
  }
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override {
    return inner_.VolumePartitionStyle(volume, style);
  }
  void SetMainWindow(void* window) override { inner_.SetMainWindow(window); }
  void* MainWindow() override { return inner_.MainWindow(); }
  void SetMainWindowVisible(bool visible) override { inner_.SetMainWindowVisible(visible); }
  bool FirmwareIsUefi() override { return inner_.FirmwareIsUefi(); }
  std::wstring DosDeviceName(const std::wstring& drive) override { return inner_.DosDeviceName(drive); }
  std::vector<std::wstring> VolumeNames() override { return inner_.VolumeNames(); }
  bool DisableFsRedirection(void** previous) override { return inner_.DisableFsRedirection(previous); }
  bool RevertFsRedirection(void* previous) override { return inner_.RevertFsRedirection(previous); }
  uint32_t FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) override {
    return inner_.FormatDrive(drive, formatId, options);
  }

 private:
  Seam& inner_;
};
static_assert(!std::is_abstract<ForwardingSeam>::value, "ForwardingSeam must forward every Seam method");
