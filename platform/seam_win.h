// Win32Seam: the seam of the program, each method a thin mapping onto the Win32 call it names.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "platform/seam.h"

class Win32Seam : public Seam {
 public:
  // Turns off the system's own error boxes for the whole process (SetErrorMode), before
  // anything probes a drive: an empty card reader, floppy or DVD drive is then simply
  // a drive without a medium, never a "no disk" box that stalls the probe.
  Win32Seam();
  bool FindFile(const std::wstring& path, FileEntry* found) override;
  std::vector<FileEntry> ListFolder(const std::wstring& folder) override;
  bool MakeFolder(const std::wstring& path) override;
  bool CopyOneFile(const std::wstring& from, const std::wstring& to) override;
  bool CopyFileReporting(const std::wstring& from, const std::wstring& to,
                         const std::function<void(uint64_t)>& onBytes, uint32_t* error) override;
  bool RemoveFile(const std::wstring& path) override;
  bool RenameReplacing(const std::wstring& from, const std::wstring& to) override;
  bool ShellCopy(const std::wstring& from, const std::wstring& to) override;
  bool ShellDelete(const std::wstring& path) override;
  uint32_t ShellDeleteQuietly(const std::wstring& path) override;
  bool ReadWholeFile(const std::wstring& path, std::string* bytes) override;
  bool ReadFileHead(const std::wstring& path, size_t limit, std::string* bytes, bool* more) override;
  bool RewriteFile(const std::wstring& path, const std::string& bytes) override;
  bool WriteNewFile(const std::wstring& path, const std::string& bytes) override;
  uint32_t FileAttributes(const std::wstring& path) override;
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
  bool FileSize(const std::wstring& path, uint64_t* bytes) override;

  std::wstring ModulePath() override;
  std::wstring TempPath() override;
  std::wstring SystemDirectory() override;
  std::wstring LogicalDriveStrings() override;
  bool VersionMajor(bool extended, int* major) override;
  bool RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access,
                    size_t bufferBytes, std::wstring* text) override;
  bool RegistryKeyExists(const std::wstring& key, uint32_t access) override;
  bool WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) override;
  bool WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) override;
  bool DeleteRegistryValue(const std::wstring& key, const std::wstring& value) override;
  bool RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access,
                      uint32_t* number) override;
  bool IsWow64() override;
  bool TotalPhysicalMemory(uint64_t* bytes) override;
  bool ProcessNames(std::vector<std::wstring>* names) override;
  bool FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) override;
  LocalTime Now() override;
  bool NewGuid(Guid* guid) override;
  bool ResourceBytes(int id, const std::wstring& type, std::string* bytes) override;
  std::wstring AnsiToWide(const std::string& bytes) override;
  std::string WideToAnsi(const std::wstring& text) override;
  std::wstring ThreadAnsiToWide(const std::string& bytes) override;
  std::string WideToThreadAnsi(const std::wstring& text) override;
  bool VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) override;
  bool FreeBytes(const std::wstring& root, uint64_t* bytes) override;
  bool VolumeSerialNumber(const std::wstring& root, uint32_t* serial) override;
  int AddVolumeIcon(const std::wstring& letter) override;
  std::wstring VolumeGuidPath(const std::wstring& root) override;
  uint32_t LastError() override;
  std::wstring ErrorText(uint32_t code) override;

  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                   bool show) override;
  int StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                          const std::function<bool()>& keepWaiting, bool* abandoned) override;
  // In platform/process_input_win.cpp.
  int StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                            const std::wstring& input, bool* typed) override;
  bool EnableShutdownPrivilege() override;
  bool RequestReboot(uint32_t* error) override;
  void EndProcess(int code) override;
  bool PhysicalDriveOpens(int disk) override;
  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) override;
  bool DiskLength(int disk, int64_t* length) override;
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override;
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override;
  bool DiskStorageFacts(int disk, StorageFacts* facts) override;

  void SetMainWindow(void* window) override;
  void* MainWindow() override;
  void SetMainWindowVisible(bool visible) override;

  bool FirmwareIsUefi() override;
  std::wstring DosDeviceName(const std::wstring& drive) override;
  std::vector<std::wstring> VolumeNames() override;
  bool DisableFsRedirection(void** previous) override;
  bool RevertFsRedirection(void* previous) override;

  uint32_t FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) override;

 private:
  int ShellDeleteWith(const std::wstring& path, unsigned flags, bool* aborted);

  std::atomic<HWND> mainWindow_{nullptr};
};

// The image list of the volumes' small shell icons (16 x 16, 32-bit colour with mask)
// that AddVolumeIcon fills and the disk model's icon indexes refer to. Created at first
// use and kept for the whole run; a list view that shows it must have the style
// LVS_SHAREIMAGELISTS, or it would destroy the list with itself.
HIMAGELIST VolumeImageList();

// A DLL of the system folder, never one of the same name elsewhere (the program's own
// folder may be a downloads folder that others write to); null when missing.
HMODULE SystemLibrary(const wchar_t* name);

// The imaging of the program: wimgapi.dll (platform/imaging_win.cpp), one for the run.
class Imaging;
Imaging& WindowsImaging();
// The message boxes of the program (platform/prompts_win.cpp), owned by the main window
// of the seam in use.
class Prompts;
Prompts& WindowsPrompts();
