// The one boundary between the program and the machine it runs on.
//
// Everything the platform services and engines need from Windows goes through one
// process-wide Seam; the imaging API (platform/imaging.h) and the message boxes
// (platform/prompts.h) have interfaces of their own. The product links Win32Seam (plain
// Win32 calls). Tests replace what is dangerous or missing under Wine (process starts,
// restart, disk I/O controls) with
// fakes; the native unit tests fake all of it, files included, so that every road of an
// engine runs on Linux.
//
// This header is portable: no <windows.h>, only standard types.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// STORAGE_DEVICE_NUMBER
struct StorageDeviceNumber {
  uint32_t deviceType = 0;       // FILE_DEVICE_DISK is 7
  uint32_t deviceNumber = 0;
  uint32_t partitionNumber = 0;
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct FileEntry {
  std::wstring name;      // as the file system lists it, no folder part
  bool isFolder = false;
  LocalTime modified;     // the last write, in local time
};

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0, data3 = 0;
  uint8_t data4[8] = {};
};

enum class VolumeOpen { NotOpened, QueryFailed, Ok };

// What STORAGE_DEVICE_DESCRIPTOR says of a disk.
struct StorageFacts {
  StorageFacts() = default;
  StorageFacts(bool removable, uint32_t bus, std::wstring serialNumber, std::wstring instance = {})
      : removableMedia(removable), busType(bus), serial(std::move(serialNumber)), instancePath(std::move(instance)) {}
  bool removableMedia = false;
  uint32_t busType = 0;          // STORAGE_BUS_TYPE: 7 USB, 12 SD, 13 MMC
  // The device's serial number as the descriptor gives it (blanks around it dropped);
  // empty when it gives none. Two sticks of one model and size differ here.
  std::wstring serial;
  // The device instance path Windows gave the disk ("USBSTOR\DISK&VEN_...\<serial>&0");
  // empty where it gives none. Two sticks with the same serial number, or with none, in
  // two ports differ here.
  std::wstring instancePath;
};

// KEY_READ: the access of the program's registry reads.
constexpr uint32_t kKeyRead = 0x20019;

class Seam {
 public:
  virtual ~Seam() = default;

  // ---- Files and folders -------------------------------------------------------
  // FindFirstFileW on the path (wildcards allowed); the first entry when found.
  virtual bool FindFile(const std::wstring& path, FileEntry* found) = 0;
  // Every entry of folder + "\*.*" in the file system's order, "." and ".." included.
  virtual std::vector<FileEntry> ListFolder(const std::wstring& folder) = 0;
  virtual bool MakeFolder(const std::wstring& path) = 0;                      // CreateDirectoryW
  virtual bool CopyOneFile(const std::wstring& from, const std::wstring& to) = 0;  // CopyFileW, overwrites
  virtual bool RemoveFile(const std::wstring& path) = 0;                      // DeleteFileW
  // MoveFileExW with MOVEFILE_REPLACE_EXISTING: a file renamed, in place of the one of
  // the new name if there is one.
  virtual bool RenameReplacing(const std::wstring& from, const std::wstring& to) = 0;
  // CopyFileExW, overwrites: onBytes is told the bytes of this file copied so far, now and
  // then, on the calling thread; on failure GetLastError's code in *error.
  virtual bool CopyFileReporting(const std::wstring& from, const std::wstring& to,
                                 const std::function<void(uint64_t copied)>& onBytes, uint32_t* error) = 0;
  // SHFileOperationW FO_COPY (FOF_NOCONFIRMMKDIR) / FO_DELETE (FOF_NOCONFIRMATION), owned
  // by the main window; true when the result is zero and nothing was aborted.
  virtual bool ShellCopy(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool ShellDelete(const std::wstring& path) = 0;
  // The same delete without the shell's own error box (FOF_NOERRORUI): 0, or the cause
  // as the shell returns it (ERROR_CANCELLED, 1223, when it was aborted).
  virtual uint32_t ShellDeleteQuietly(const std::wstring& path) = 0;
  virtual bool ReadWholeFile(const std::wstring& path, std::string* bytes) = 0;
  // Reads at most limit bytes from the start of a file; *more tells whether the file
  // goes on after them. A huge file is not loaded whole.
  virtual bool ReadFileHead(const std::wstring& path, size_t limit, std::string* bytes, bool* more) = 0;
  // Replaces the bytes of an existing file as one step: all of them or none (a new file
  // beside it, flushed, renamed over it); false, with the file as it was, on a failure.
  virtual bool RewriteFile(const std::wstring& path, const std::string& bytes) = 0;
  // Creates or replaces a file (CREATE_ALWAYS) with exactly these bytes, flushed to disk.
  virtual bool WriteNewFile(const std::wstring& path, const std::string& bytes) = 0;
  virtual uint32_t FileAttributes(const std::wstring& path) = 0;              // 0xFFFFFFFF: none
  virtual bool SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
  // Bytes of an existing file; false for a folder or a missing path.
  virtual bool FileSize(const std::wstring& path, uint64_t* bytes) = 0;

  // ---- System facts ------------------------------------------------------------
  virtual std::wstring ModulePath() = 0;          // full path of the running program
  virtual std::wstring TempPath() = 0;            // GetTempPathW, ends with a backslash
  virtual std::wstring SystemDirectory() = 0;     // GetSystemDirectoryW
  // GetLogicalDriveStringsW into a zeroed 256-character buffer, returned whole.
  virtual std::wstring LogicalDriveStrings() = 0;
  // GetVersionExW with OSVERSIONINFOEXW (extended) or OSVERSIONINFOW.
  virtual bool VersionMajor(bool extended, int* major) = 0;
  // HKEY_LOCAL_MACHINE values; a value that does not fit bufferBytes is a failure.
  virtual bool RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access,
                            size_t bufferBytes, std::wstring* text) = 0;
  virtual bool RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access,
                              uint32_t* number) = 0;
  // Whether the HKEY_LOCAL_MACHINE key opens (it may hold no value at all).
  virtual bool RegistryKeyExists(const std::wstring& key, uint32_t access) = 0;
  // Sets a REG_DWORD or REG_SZ value under HKEY_LOCAL_MACHINE, its key made when missing,
  // and flushes the key: it outlasts a power cut.
  virtual bool WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) = 0;
  virtual bool WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) = 0;
  // Deletes a value under HKEY_LOCAL_MACHINE; true when it is gone, or never was there.
  virtual bool DeleteRegistryValue(const std::wstring& key, const std::wstring& value) = 0;
  virtual bool IsWow64() = 0;
  virtual bool TotalPhysicalMemory(uint64_t* bytes) = 0;
  // Executable names of the running processes; false when no snapshot can be taken.
  virtual bool ProcessNames(std::vector<std::wstring>* names) = 0;
  virtual bool FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) = 0;
  virtual LocalTime Now() = 0;
  virtual bool NewGuid(Guid* guid) = 0;           // CoCreateGuid
  // A resource of the program's own module.
  virtual bool ResourceBytes(int id, const std::wstring& type, std::string* bytes) = 0;
  // Conversions in the thread's ANSI code page (936 on a Chinese system).
  virtual std::wstring AnsiToWide(const std::string& bytes) = 0;
  virtual std::string WideToAnsi(const std::wstring& text) = 0;
  // The same in the ANSI code page of the calling thread's locale (CP_THREAD_ACP), which
  // the data folder's maps are written in.
  virtual std::wstring ThreadAnsiToWide(const std::string& bytes) = 0;
  virtual std::string WideToThreadAnsi(const std::wstring& text) = 0;
  // Volume facts for a root such as "C:\".
  virtual bool VolumeInformation(const std::wstring& root, std::wstring* label,
                                 std::wstring* fileSystem) = 0;
  virtual bool FreeBytes(const std::wstring& root, uint64_t* bytes) = 0;
  // The serial number a format gave the file system of a root such as "H:\"
  // (GetVolumeInformationW); false when the volume does not read.
  virtual bool VolumeSerialNumber(const std::wstring& root, uint32_t* serial) = 0;
  // Adds the shell's small icon of a drive (such as "C:") to the disk model's image
  // list; its index, or -1.
  virtual int AddVolumeIcon(const std::wstring& letter) = 0;
  // GetVolumeNameForVolumeMountPointW of a root such as "H:\": the volume's own name
  // ("\\?\Volume{...}\"), which a new volume never shares with the one it replaced;
  // empty when it cannot be told.
  virtual std::wstring VolumeGuidPath(const std::wstring& root) = 0;
  // GetLastError of the calling thread: read it right after the seam call that failed.
  virtual uint32_t LastError() = 0;
  // The system's own text for an error code (FormatMessageW), without its line end; empty
  // when it has none.
  virtual std::wstring ErrorText(uint32_t code) = 0;

  // ---- Dangerous or missing under test -----------------------------------------
  // CreateProcessW (CREATE_NO_WINDOW, SW_SHOW or SW_HIDE); waited: the exit code;
  // not waited: 0; -1 when it cannot be started. An empty application means none.
  virtual int StartProcess(const std::wstring& application, const std::wstring& commandLine,
                           bool wait, bool show) = 0;
  // The same start (waited), waited for only while keepWaiting says so: it is asked about
  // every tenth of a second on the calling thread. The exit code, or -1 when the program
  // cannot be started; when keepWaiting says no, the program is left running, *abandoned
  // is set and -1 returned.
  virtual int StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                                  const std::function<bool()>& keepWaiting, bool* abandoned) = 0;
  // The same start of a console program, hidden and waited for, whose standard input is a
  // pipe: `input` is written to it in the code page of the program's own new console (the
  // OEM code page) and the pipe closed. The exit code, or -1 when it cannot be started;
  // -1 with *typed false, and nothing started, when that code page lacks a character of
  // the input (it would arrive as another one).
  virtual int StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                                    const std::wstring& input, bool* typed) = 0;
  // Restart: the shutdown privilege, then ExitWindowsEx(EWX_REBOOT, reason 4).
  virtual bool EnableShutdownPrivilege() = 0;
  virtual bool RequestReboot(uint32_t* error) = 0;
  virtual void EndProcess(int code) = 0;          // ExitProcess, does not return
  // "\\.\PhysicalDrive%d" opens (and is closed again).
  virtual bool PhysicalDriveOpens(int disk) = 0;
  // IOCTL_DISK_GET_DRIVE_LAYOUT_EX into a zeroed buffer of bufferSize bytes.
  virtual bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer,
                           uint32_t* error) = 0;
  virtual bool DiskLength(int disk, int64_t* length) = 0;   // IOCTL_DISK_GET_LENGTH_INFO
  // "\\.\%s" of a volume such as "C:" (or a volume path as it is) and
  // IOCTL_STORAGE_GET_DEVICE_NUMBER.
  virtual VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) = 0;
  // IOCTL_DISK_GET_PARTITION_INFO_EX's PartitionStyle (0 MBR, 1 GPT, 2 RAW).
  virtual bool VolumePartitionStyle(const std::wstring& volume, int* style) = 0;
  // "\\.\PhysicalDrive%d" and IOCTL_STORAGE_QUERY_PROPERTY (StorageDeviceProperty).
  virtual bool DiskStorageFacts(int disk, StorageFacts* facts) = 0;

  // ---- The main window ---------------------------------------------------------
  virtual void SetMainWindow(void* window) = 0;   // owner of message boxes and shell windows
  virtual void* MainWindow() = 0;
  virtual void SetMainWindowVisible(bool visible) = 0;

  // ---- Boot firmware and WOW64 redirection ---------------------------------------
  // Whether Windows was started by UEFI firmware: a boot-sector entry cannot start there.
  virtual bool FirmwareIsUefi() = 0;
  // QueryDosDeviceW of a drive such as "C:", or of a volume path ("\\?\Volume{...}"): the
  // device it stands for ("\Device\HarddiskVolume2"); empty when it cannot be told.
  virtual std::wstring DosDeviceName(const std::wstring& drive) = 0;
  // The volume paths of every volume, letter or not ("\\?\Volume{...}\", FindFirstVolumeW).
  virtual std::vector<std::wstring> VolumeNames() = 0;
  // Wow64DisableWow64FsRedirection and Wow64RevertWow64FsRedirection on the calling
  // thread; false when Kernel32 has no such function (32-bit Windows).
  virtual bool DisableFsRedirection(void** previous) = 0;
  virtual bool RevertFsRedirection(void* previous) = 0;

  // ---- The shell's format dialog ----------------------------------------------------
  // SHFormatDrive owned by the main window (drive 0 is A:): its result as returned.
  virtual uint32_t FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) = 0;
};

// The seam in use. Until SetSeam is called it is the build's default (the real
// Win32 seam in the product, a simulated machine in the end-to-end build).
Seam& TheSeam();
// Replaces the seam in use (tests); nullptr goes back to the default.
void SetSeam(Seam* seam);
// Defined once per program: the seam used when none was set.
Seam& DefaultSeam();
