// What the USB boot disk page and its two configuration dialogs do, apart from their
// windows: the device entries, the FbinstPlus command lines, the refusals, the make with
// its copy plan, the restore, and the search for the prepared system images.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "pages/bootmedia/boot_disk_devices.h"
#include "pages/bootmedia/boot_disk_outcome.h"
#include "platform/disk.h"
#include "platform/progress.h"

namespace boot_disk {

constexpr int kSystemCount = 7;

// The prepared system images; row index = bit index of the system mask.
extern const wchar_t* const kSystemNames[kSystemCount];
extern const wchar_t* const kSystemDescriptions[kSystemCount];

// Bits of the folder set.
constexpr unsigned kCopyVideo = 1, kCopyTools = 2, kCopyDriver = 4, kCopyData = 8;

constexpr wchar_t kNoDevice[] = L"找不到任何可用设备！";
constexpr wchar_t kAlreadyRestoring[] = L"已经在恢复！";
constexpr wchar_t kAlreadyMaking[] = L"正在制作启动盘，请等它结束！";
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
// The decimal number between the first "D" and the first ")"; -1 when the text is empty
// or either is missing, 0 when no digits stand there.
int DiskNumberOfEntry(const std::wstring& entry);
// The first drive letter listed in the entry ("H:"); empty when it lists none.
std::wstring DestinationDriveOfEntry(const std::wstring& entry);
// The size box read as a whole number (blanks, a sign, digits); 0 when there are none.
// A number beyond the int range saturates.
int ReadPartitionSize(const std::wstring& text);

// ---- FbinstPlus command lines ------------------------------------------------------
// The first token is the tool's full path in quotes, the path the process is started
// from. The size is given in 512-byte sectors.
std::wstring MakeCommandLine(const std::wstring& fbinstPath, int disk, int sizeMb,
                             const std::wstring& archivePath, bool force);
std::wstring RestoreCommandLine(const std::wstring& fbinstPath, int disk, bool force);

// ---- Refusals: the text to show, or empty when the operation may go on --------------
std::wstring MakeRefusal(int sizeMb, int disk);
std::wstring RestoreRefusal(const std::wstring& entry);
// A tool path typed into the tool dialog must name an existing file (empty is allowed:
// the make then says that the tool is missing).
std::wstring ToolPathRefusal(const std::wstring& path);
// The questions name the disk by number, size and letters, and say when it is a fixed
// disk; "否" is their default answer.
std::wstring MakeQuestion(const DiskIdentity& disk);
std::wstring RestoreQuestion(const std::wstring& entry);
bool Confirm(const std::wstring& question);

// ---- The make ------------------------------------------------------------------------
struct CopyStep {
  int progress = 0;
  std::wstring status;          // shown before the copy
  std::wstring source;          // a folder of the data tree, or a chosen image (may be empty)
  std::wstring destination;     // the folder the source arrives in
  std::wstring failure;         // shown when the copy fails
  bool image = false;
  std::wstring name;            // an image's file name, for one whose path was never found
};

// What the make reads after the format: the chosen folders and images that are named.
std::vector<std::wstring> CopySources(const BootDiskConfig& config, const std::wstring& moduleFolder);
// The folders, then the images, in the order the make copies them.
std::vector<CopyStep> PlanCopies(const BootDiskConfig& config, const std::wstring& moduleFolder,
                                 const std::wstring& drive);

// How long the make waits for the volume it created to appear, and how often it looks.
constexpr int kNewVolumeWaitMs = 30000, kNewVolumeStepMs = 500;

// What the make takes from the page when it starts: owned copies.
struct MakeRequest {
  BootDiskConfig config;
  int sizeMb = 0;
  DiskIdentity disk;            // the disk as listed when the user chose it
  bool force = true;
};

// Why the plan of a make cannot be copied onto its disk (a source that is gone or does
// not read, a file FAT32 cannot hold, more than the disk's room): read before the
// question, so that a Yes is not answered by a refusal. Empty when it can.
std::wstring PlanRefusal(const MakeRequest& request);

// Checks the disk again, formats it, finds the volume the format created on it and
// copies the plan there. A missing chosen image is told and skipped.
BootDiskOutcome MakeBootDisk(const MakeRequest& request, Progress& progress);

// ---- The restore -----------------------------------------------------------------
struct RestoreRequest {
  std::wstring fbinstPath;
  DiskIdentity disk;
  bool force = true;
};

// Checked and confirmed on the interface thread: the refusal to show, or empty.
std::wstring RestoreStartRefusal(const std::wstring& fbinstPath, const std::wstring& entry,
                                 const DeviceChoice* choice);
// Checks the disk again and runs FbinstPlus's restore behind the progress window.
BootDiskOutcome RestoreBootDisk(const RestoreRequest& request, Progress& progress);

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
