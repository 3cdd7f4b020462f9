// FakeSeam: an in-memory machine behind the seam, for tests that must not touch a real one.
//
// Files and folders live in a table keyed by the Windows path without regard to case
// (C:\BOOT.INI and c:\boot.ini are one file). Folders list their entries in the order
// they were added, which stands for "the order the file system lists them"; a folder
// other than a drive root also lists "." and ".." first, as Windows does. A drive root
// ("C:") exists when its letter is in the logical-drive strings; adding a file or folder
// on a new letter adds that letter to them (SetDrives replaces the list).
//
// ANSI conversion is UTF-8 here: test texts are written as UTF-8 literals. Bytes that
// are not valid UTF-8 become U+FFFD, one per byte.
//
// Everything a test scripts is a public field or a helper; set it up before any worker
// thread of the code under test starts. Every seam call takes the fake's lock, so the
// records may be written from worker threads.
//
// It is the imaging of the machine too (WIM files scripted with AddWimFile), and its
// prompts (answers queued with QueueAnswer, boxes recorded in messages).
//
// Install it with ScopedSeam (or SetSeam, SetImaging and SetPrompts in a fixture):
// `FakeSeam fake; ScopedSeam use(&fake);`
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/drive_layout.h"
#include "platform/imaging.h"
#include "platform/prompts.h"
#include "platform/seam.h"

// Windows file attributes, for tests that read or set them.
namespace fattr {
constexpr uint32_t ReadOnly = 0x1, Hidden = 0x2, System = 0x4, Directory = 0x10, Archive = 0x20,
                   Normal = 0x80, Invalid = 0xFFFFFFFF;
}

class FakeSeam : public Seam, public Imaging, public Prompts {
 public:
  // Operations whose failure can be switched on per path (see Fail).
  enum class Op { FindFile, ListFolder, MakeFolder, CopyOneFile, RemoveFile, RenameReplacing, ShellCopy, ShellDelete,
                  ReadWholeFile, ReadFileHead, RewriteFile, WriteNewFile, SetAttributes };

  struct FileOp {           // one recorded file operation that changes the machine
    Op op;
    std::wstring path;      // source, or the only path
    std::wstring to;        // destination of a copy; empty otherwise
    bool ok;
  };
  struct MessageBoxShown {
    std::wstring text, caption;
    unsigned style;
    int answer;
  };
  struct ProcessStart {
    std::wstring application, commandLine;
    bool wait, show;
    int result;             // what StartProcess returned
    std::wstring input;     // what StartProcessWithInput wrote to its standard input
    std::wstring Program() const;   // file name of the program started (application, else first token)
  };
  struct RegistryRead {
    std::wstring key, value;
    uint32_t access;
    size_t bufferBytes;     // 0 for a number
  };
  struct Disk {             // one \\.\PhysicalDriveN
    bool opens = true;
    std::vector<uint8_t> layout;   // DRIVE_LAYOUT_INFORMATION_EX bytes as Windows fills them
    bool layoutFails = false;      // fails with layoutError (other than a too-small buffer)
    uint32_t layoutError = 50;
    bool lengthKnown = true;
    int64_t length = 0;
    bool storageKnown = true;      // IOCTL_STORAGE_QUERY_PROPERTY answers
    StorageFacts storage;          // a fixed disk on an unknown bus unless set
  };
  struct Volume {           // one drive letter's volume ("C:")
    VolumeOpen open = VolumeOpen::Ok;
    StorageDeviceNumber number{7, 0, 1};
    int partitionStyle = 0;        // -1: the partition query fails
    bool infoKnown = true;         // GetVolumeInformationW succeeds
    std::wstring label, fileSystem = L"NTFS";
    bool freeKnown = true;
    uint64_t freeBytes = 0;
    std::wstring guidPath;         // a name of its own per AddVolume; empty: not told
    uint32_t serial = 0;           // the file system's, one of its own per AddVolume
  };

  FakeSeam();

  // ---- Scripting helpers ---------------------------------------------------------
  // Adds (or replaces) a file with these bytes; missing parent folders are made.
  void AddFile(const std::wstring& path, const std::string& bytes = "", uint32_t attributes = fattr::Archive);
  void AddFolder(const std::wstring& path);      // with its missing parents
  bool Exists(const std::wstring& path) const;   // file or folder
  bool IsFolder(const std::wstring& path) const;
  // The size FileSize reports for an existing file, instead of its byte count.
  void SetFileSize(const std::wstring& path, uint64_t bytes);
  std::string Contents(const std::wstring& path) const;    // bytes of a file; empty if none
  uint32_t Attributes(const std::wstring& path) const;     // fattr::Invalid if none
  // Full paths of every file and folder under a folder (all depths), in table order.
  std::vector<std::wstring> Tree(const std::wstring& folder) const;
  // Makes op fail for this path (compared without case); for a copy either end matches.
  void Fail(Op op, const std::wstring& path);
  void ClearFailures();                          // every Fail so far is taken back
  // Logical drives from letters: SetDrives(L"CDE") gives "C:\", "D:\", "E:\".
  void SetDrives(const std::wstring& letters);
  void SetRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text);
  void SetRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number);
  // Exit code of a waited start of a program, matched by its file name without case,
  // with or without ".exe" (SetExitCode(L"bcdedit", 1) matches "C:\x\BCDEDIT.EXE /v").
  void SetExitCode(const std::wstring& program, int code);
  void SetStartFails(const std::wstring& program);          // StartProcess returns -1
  // A program that runs for a while: a watched start of it asks keepWaiting (every
  // millisecond) up to `polls` times before it ends, or, with -1, until it says no (a hung
  // installer). Matched as SetExitCode matches.
  void SetRunsFor(const std::wstring& program, int polls);
  // A program started with SetRunsFor(-1) ends now (the user answered its question).
  void EndRunning(const std::wstring& program);
  // How often a watched start has asked keepWaiting so far, all starts together.
  std::atomic<int> watchPolls{0};
  void QueueAnswer(int answer);                             // next message box answer
  void AddResource(int id, const std::wstring& type, const std::string& bytes);
  // \\.\PhysicalDriveN with this layout (PartitionCount = number of entries) and length.
  Disk& AddDisk(int n, uint32_t style, const std::vector<PartitionInfoEx>& entries, int64_t length);
  // A drive letter ("D:") on disk/partition, added to the logical drives; NTFS, no label.
  Volume& AddVolume(const std::wstring& letter, int disk, int partition);
  // Takes a letter's volume away, from the logical drives and with its files too (a stick
  // pulled out).
  void RemoveVolume(const std::wstring& letter);
  // Layout entries for AddDisk.
  static PartitionInfoEx MbrEntry(uint32_t number, int64_t length, uint8_t type = 0x07);
  static PartitionInfoEx GptEntry(uint32_t number, int64_t length, const std::wstring& name);

  // ---- Script and records (public on purpose) ----------------------------------------
  std::wstring drives;                      // GetLogicalDriveStringsW result, zeros included
  std::wstring modulePath = L"C:\\Rigmate\\Rigmate.exe";
  std::wstring tempPath = L"C:\\Windows\\Temp\\";
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  int versionMajor = 6;
  bool versionExtendedFails = false, versionBasicFails = false;
  bool wow64 = false;
  uint64_t physicalMemory = 4ull << 30;
  bool memoryFails = false;
  std::vector<std::wstring> processNames{L"System", L"explorer.exe"};
  bool snapshotFails = false;
  std::map<std::wstring, std::pair<uint32_t, uint32_t>> fileVersions;  // path (any case) -> ms, ls
  LocalTime now{2024, 5, 6, 7, 8, 9};
  Guid guid{0x12345678, 0x9abc, 0xdef0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}};
  bool guidFails = false;
  std::map<int, Disk> disks;                // by N of \\.\PhysicalDriveN
  std::map<wchar_t, Volume> volumes;        // by upper-case letter
  // Volumes without a letter, by their volume path as VolumeNames gives it without the
  // trailing backslash ("\\?\Volume{...}"); their files are reached through that path.
  std::map<std::wstring, Volume> namedVolumes;
  bool iconFails = false;
  uint32_t lastError = 0;                   // what LastError answers
  std::map<uint32_t, std::wstring> errorTexts;   // the system's texts of the error codes it knows
  // When not 0: a path of this many characters or more, unless in the "\\?\" form, is
  // not found and cannot be written, as on Windows (260 there).
  size_t pathLimit = 0;
  // A copy made to fail (Fail) leaves half of the file at its destination, as a copy cut
  // off by a full or pulled disk may.
  bool failedCopiesLeaveHalf = false;
  uint32_t shellDeleteError = 5;            // what a failing ShellDeleteQuietly returns
  std::vector<std::wstring> iconsAdded;     // letters given to AddVolumeIcon, in order

  std::deque<int> answers;                  // message box answers still to give
  std::vector<MessageBoxShown> messages;    // every message box, in order
  std::vector<ProcessStart> starts;         // every process start, in order
  // format.com started with input formats the drive it names as Windows' does: the first
  // line must be the volume's label, if it has one (else exit code 1); its files go and
  // its serial changes.
  bool consoleAsciiOnly = false;            // the console's code page: only ASCII (an English PE)
  // When set, decides the exit code of every start that is not refused (wait or not);
  // it may change the fake (a tool that writes a file). Overrides SetExitCode.
  std::function<int(const ProcessStart&)> onStart;
  std::vector<FileOp> fileOps;              // copies, deletes, writes, folders made
  // Runs halfway through each CopyFileReporting, on the copying thread, outside the lock:
  // a stick pulled mid-copy, a test that waits for the user's stop.
  std::function<void(const std::wstring& from)> midCopy;
  std::vector<RegistryRead> registryReads;
  std::set<std::wstring> registryKeys;      // HKEY_LOCAL_MACHINE keys that open, as spelt
  std::vector<size_t> layoutRequests;       // buffer sizes asked of DriveLayout, in order

  bool privilegeFails = false;
  bool rebootRefused = false;
  uint32_t rebootError = 5;
  int rebootRequests = 0;                   // accepted or not
  int endedWith = -1;                       // code given to EndProcess; -1 if never called
  void* mainWindow = nullptr;
  bool mainWindowVisible = true;
  bool firmwareUefi = false;
  // "C:" or a volume path (upper case, no trailing backslash) -> "\Device\HarddiskVolume2"
  std::map<std::wstring, std::wstring> dosDevices;
  bool hasFsRedirection = true;             // false: Kernel32 without the switch
  bool fsRedirectionOff = false;            // redirection disabled right now

  // The imaging API over scripted WIM files. Each imaging call is recorded as a line in
  // wimCalls ("CreateFile D:\a.wim 80000000 3 0 0", "LoadImage 1 2" = WIM handle 1,
  // index 2, ...); handles count up from 1 and are never reused.
  struct WimFile {
    uint32_t imageCount = 1;
    bool attributesFail = false;
    std::wstring xml;                       // the image-information XML
    bool xmlFails = false;
    std::set<uint32_t> unloadable;          // indexes that WIMLoadImage refuses
    // Files that appear under the mount folder when an image is mounted: relative path -> bytes.
    std::map<std::wstring, std::string> mountedFiles;
  };
  struct WimMessage {                       // one message the imaging call sends to the callback
    uint32_t id;
    uintptr_t wParam;                       // ignored when text is given
    intptr_t lParam;
    std::wstring text;                      // when not empty, wParam points to it
  };
  WimFile& AddWimFile(const std::wstring& path);   // also adds the file itself
  std::map<std::wstring, WimFile> wimFiles;        // by path without case (use AddWimFile)
  uint32_t wimCreateError = 0;              // WIMCreateFile fails with it when not 0
  bool wimTemporaryPathFails = false;
  bool wimCallbackRefused = false;          // registration gives INVALID_CALLBACK_VALUE
  std::vector<WimMessage> wimMessages;      // sent by every apply and capture, in order
  uint32_t wimOperationError = 0;           // apply and capture fail with it when not 0
  std::vector<std::wstring> wimCalls;
  std::set<WimHandle> wimOpenHandles;       // handles not closed yet
  std::wstring wimTemporaryPath;            // the last one set
  uint32_t wimMountError = 0;               // mounting fails with it when not 0
  uint32_t wimUnmountError = 0;             // unmounting fails with it when not 0
  // Mounted images: mount folder (as given) -> "WIM file path|index".
  std::map<std::wstring, std::wstring> wimMounts;
  struct FormatRequest {
    uint32_t drive, formatId, options;
  };
  std::vector<FormatRequest> formatRequests;
  uint32_t formatResult = 0;                // what FormatDrive returns

  // ---- Seam ----------------------------------------------------------------------
  bool FindFile(const std::wstring& path, FileEntry* found) override;
  std::vector<FileEntry> ListFolder(const std::wstring& folder) override;
  bool MakeFolder(const std::wstring& path) override;
  bool CopyOneFile(const std::wstring& from, const std::wstring& to) override;
  // A copy as CopyOneFile (its failures too), telling half the bytes first, then running
  // midCopy (when set) and then copying and telling all that were copied; a failure's
  // code is lastError.
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
  bool RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access,
                      uint32_t* number) override;
  bool RegistryKeyExists(const std::wstring& key, uint32_t) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return registryKeys.count(key) > 0;
  }
  bool WriteRegistryNumber(const std::wstring& k, const std::wstring& v, uint32_t n) override { return SetRegistryNumber(k, v, n), true; }
  bool WriteRegistryText(const std::wstring& k, const std::wstring& v, const std::wstring& t) override { return SetRegistryText(k, v, t), true; }
  bool DeleteRegistryValue(const std::wstring& key, const std::wstring& value) override;
  bool IsWow64() override;
  bool TotalPhysicalMemory(uint64_t* bytes) override;
  bool ProcessNames(std::vector<std::wstring>* names) override;
  bool FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) override;
  LocalTime Now() override;
  bool NewGuid(Guid* out) override;
  bool ResourceBytes(int id, const std::wstring& type, std::string* bytes) override;
  std::wstring AnsiToWide(const std::string& bytes) override;
  std::string WideToAnsi(const std::wstring& text) override;
  // The thread's code page is the ANSI one here (UTF-8): the same conversions.
  std::wstring ThreadAnsiToWide(const std::string& bytes) override { return AnsiToWide(bytes); }
  std::string WideToThreadAnsi(const std::wstring& text) override { return WideToAnsi(text); }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) override;
  bool FreeBytes(const std::wstring& root, uint64_t* bytes) override;
  bool VolumeSerialNumber(const std::wstring& root, uint32_t* serial) override;
  int AddVolumeIcon(const std::wstring& letter) override;
  std::wstring VolumeGuidPath(const std::wstring& root) override;
  uint32_t LastError() override;
  std::wstring ErrorText(uint32_t code) override;   // from errorTexts

  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                   bool show) override;
  // Recorded as a waited start; keepWaiting is asked once, or as SetRunsFor says.
  int StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                          const std::function<bool()>& keepWaiting, bool* abandoned) override;
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

  // ---- Prompts: answered from `answers`, recorded in `messages` -----------------------
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;

  // ---- Imaging (tests/fakes/fake_imaging.cpp) -----------------------------------
  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags,
                          uint32_t compression, uint32_t* error) override;
  bool WimImageCount(WimHandle wim, uint32_t* count) override;
  bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) override;
  bool WimImageInformation(WimHandle wim, std::wstring* xml) override;
  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override;
  uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) override;
  bool WimUnregisterCallback(WimHandle wim, WimCallback callback) override;
  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  bool WimCloseHandle(WimHandle handle) override;
  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags, uint32_t* error) override;
  bool WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim, WimHandle* image,
                                uint32_t* error) override;
  bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) override;

 private:
  struct WimOpen {          // what a handle stands for
    std::wstring file;      // key of the WIM file
    WimHandle wim = 0;      // for an image: the WIM file's handle
    uint32_t index = 0;     // for an image: its index; 0 for a WIM file
  };
  WimFile* WimFileOf(WimHandle handle);
  void SendWimMessages(WimHandle wim);
  std::map<WimHandle, WimOpen> wimHandles_;
  std::map<WimHandle, std::pair<WimCallback, void*>> wimCallbacks_;
  WimHandle nextWimHandle_ = 1;

  struct Node {
    std::wstring path;      // as first written
    bool folder = false;
    std::string bytes;
    uint32_t attributes = fattr::Archive;
    uint64_t order = 0;     // insertion order, the listing order
    LocalTime modified;     // the fake's clock (now) at the last write
  };

  static std::wstring Key(const std::wstring& path);
  static std::wstring ParentOf(const std::wstring& path);
  static std::wstring NameOf(const std::wstring& path);
  bool DriveExists(const std::wstring& key) const;
  bool ContainerExists(const std::wstring& key) const;     // drive root or folder
  const Node* Lookup(const std::wstring& path) const;
  Node* Lookup(const std::wstring& path);
  std::vector<const Node*> Children(const std::wstring& folder) const;
  bool TooLong(const std::wstring& path) const;
  bool Fails(Op op, const std::wstring& path) const;
  void AddDriveOf(const std::wstring& path);
  void Put(const std::wstring& path, Node node);
  void EraseTree(const std::wstring& path);
  bool CopyTree(const std::wstring& from, const std::wstring& to);
  bool Record(Op op, const std::wstring& path, const std::wstring& to, bool ok);
  const Volume* VolumeOf(const std::wstring& rootOrLetter) const;

  mutable std::recursive_mutex mutex_;
  std::map<std::wstring, Node> nodes_;
  std::map<std::wstring, uint64_t> fileSizes_;             // by Key
  uint64_t nextOrder_ = 0;
  int volumesAdded_ = 0;
  std::set<std::pair<Op, std::wstring>> failures_;
  std::map<std::wstring, std::wstring> registryTexts_;     // key "\" value, upper case
  std::map<std::wstring, uint32_t> registryNumbers_;
  std::map<std::wstring, int> exitCodes_;                  // upper-case program name
  std::set<std::wstring> refusedPrograms_;
  std::map<std::wstring, int> runningPolls_;               // upper-case program name
  std::map<std::pair<int, std::wstring>, std::string> resources_;
};

// Puts a seam in place for the lifetime of the object and restores the default after;
// a fake machine is the imaging and the prompts in use as well.
class ScopedSeam {
 public:
  explicit ScopedSeam(Seam* seam) { SetSeam(seam); }
  explicit ScopedSeam(FakeSeam* fake) : ScopedSeam(fake, fake, fake) {}
  ScopedSeam(Seam* seam, Imaging* imaging, Prompts* prompts) : all_(true) {
    SetSeam(seam);
    SetImaging(imaging);
    SetPrompts(prompts);
  }
  ~ScopedSeam() {
    SetSeam(nullptr);
    if (!all_) return;
    SetImaging(nullptr);
    SetPrompts(nullptr);
  }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

 private:
  bool all_ = false;
};
