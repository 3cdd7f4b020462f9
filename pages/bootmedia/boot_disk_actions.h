// What the USB boot disk page and its two configuration dialogs do, apart from their
// windows: the device entries, the FbinstPlus command lines, the refusals, the make with
// its copy plan, the restore, and the search for the prepared system images.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/disk.h"

namespace boot_disk {

constexpr int kSystemCount = 7;

// The prepared system images; row index = bit index of the system mask.
extern const wchar_t* const kSystemNames[kSystemCount];
extern const wchar_t* const kSystemDescriptions[kSystemCount];

// Bits of the folder set.
constexpr unsigned kCopyVideo = 1, kCopyTools = 2, kCopyDriver = 4, kCopyData = 8;

constexpr wchar_t kNoDevice[] = L"找不到任何可用设备！";
constexpr wchar_t kAlreadyRestoring[] = L"已经在恢复！";
constexpr wchar_t kNotFound[] = L"未找到文件！";
constexpr wchar_t kFbinstRelative[] = L"Rigmate\\DATA\\FbinstPlus.exe";
constexpr wchar_t kArchiveRelative[] = L"Rigmate\\DATA\\Rigmate.FBA";

// The page's boot-disk configuration; the two configuration dialogs edit it in place.
// Nothing of it is saved: it lasts for the run.
struct BootDiskConfig {
  BootDiskConfig();
  std::wstring m_strFbinstPath;    // full path of FbinstPlus; empty when not found
  std::wstring m_strArchivePath;   // full path of the boot archive (FBA)
  std::array<std::wstring, kSystemCount> m_strSystemName;
  std::array<std::wstring, kSystemCount> m_strSystemPath;   // empty: not searched or not found
  unsigned m_nCopyFlags = 0;
  unsigned m_nSystemMask = 0;
};

// Both paths located beside the program first, then in each drive root; empty if absent.
void ResolveToolPaths(BootDiskConfig* config);

// ---- The device list and the reading of an entry's text -------------------------
std::wstring DeviceEntryText(const _DEVICE& device);
// One entry per device of the disk model, in list order; the single placeholder entry
// when there is none.
std::vector<std::wstring> DeviceEntries();
// The decimal number between the first "D" and the first ")"; -1 when the text is empty
// or either is missing, 0 when no digits stand there.
int DiskNumberOfEntry(const std::wstring& entry);
// The first drive letter listed in the entry ("H:"); empty when it lists none.
std::wstring DestinationDriveOfEntry(const std::wstring& entry);
// The size box read as a whole number (blanks, a sign, digits); 0 when there are none.
// A number beyond the int range saturates.
int ReadPartitionSize(const std::wstring& text);

// ---- FbinstPlus command lines ------------------------------------------------------
// The first token is the bare file name of the tool; the process is started from its
// full path. The size is given in 512-byte sectors.
std::wstring MakeCommandLine(const std::wstring& fbinstPath, int disk, int sizeMb,
                             const std::wstring& archivePath, bool force);
std::wstring RestoreCommandLine(const std::wstring& fbinstPath, int disk, bool force);

// ---- Refusals: the text to show, or empty when the operation may go on --------------
std::wstring MakeRefusal(int sizeMb, int disk, const std::wstring& destination,
                         const BootDiskConfig& config);
std::wstring RestoreRefusal(const std::wstring& entry);
std::wstring MakeQuestion(int disk);
std::wstring RestoreQuestion(const std::wstring& entry);

// ---- The make ------------------------------------------------------------------------
// The progress window of a worker; called on the worker's thread, posts only.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Position(int percent) = 0;           // 0..100
  virtual void Status(const std::wstring& text) = 0;
  virtual void Pause(int milliseconds) = 0;         // a wait the user can read the last text in
};

struct CopyStep {
  int progress = 0;
  std::wstring status;          // shown before the copy
  std::wstring source;          // a folder of the data tree, or a chosen image (may be empty)
  std::wstring destination;     // the folder the source arrives in
  std::wstring failure;         // shown when the copy fails
  bool image = false;           // a missing image is reported and skipped
};

// The folders, then the images, in the order the make copies them.
std::vector<CopyStep> PlanCopies(const BootDiskConfig& config, const std::wstring& moduleFolder,
                                 const std::wstring& drive);

// What the make takes from the page when it starts: owned copies.
struct MakeRequest {
  BootDiskConfig config;
  int sizeMb = 0;
  int disk = -1;
  std::wstring drive;
  bool force = true;
};

// Formats the disk and copies the plan: 0 when done, 1 when a tool, the archive or the
// format failed, -1 when a copy failed. Tells the user itself.
int MakeBootDisk(const MakeRequest& request, Progress& progress);

// ---- The restore -----------------------------------------------------------------
struct RestoreRequest {
  std::wstring fbinstPath;
  std::wstring entry;           // the selected entry's text
  bool force = true;
};

// Checks, asks, and runs FbinstPlus's restore; 0 on its success, -1 otherwise (no
// message about the outcome), 1 when refused or not confirmed.
int RestoreBootDisk(const RestoreRequest& request);

// The page's one restore thread. The thread holds only its own request; the runner
// joins it when it has ended and lets it go otherwise, so the page may go at any time.
class RestoreRunner {
 public:
  RestoreRunner() = default;
  ~RestoreRunner();
  RestoreRunner(const RestoreRunner&) = delete;
  RestoreRunner& operator=(const RestoreRunner&) = delete;

  // Starts a restore; false while the earlier one runs (the page then says kAlreadyRestoring).
  bool Start(RestoreRequest request);
  bool Running() const;
  // Waits for the thread (tests).
  void Join();

 private:
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> done_;
};

// ---- The data dialog -----------------------------------------------------------------
unsigned CopyFlagsOf(bool video, bool tools, bool driver, bool data);
// Bit j for every ticked row whose name equals name j of the configuration exactly.
unsigned SystemMaskOf(const std::vector<std::pair<std::wstring, bool>>& rows,
                      const BootDiskConfig& config);
// The "路径" cell after a search.
std::wstring SearchedPathText(const std::wstring& path);
// Finds every image by name (FindDataFile) into *paths, with progress; closes nothing.
void SearchSystems(const BootDiskConfig& config, std::array<std::wstring, kSystemCount>* paths,
                   Progress& progress);

}  // namespace boot_disk
