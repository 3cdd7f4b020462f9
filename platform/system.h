// The system utilities: files and folders, data-file location, process starts,
// restart, and what Windows version and product is running. Stateless free
// functions over the seam; failures come back as false, an empty string or -1.
#pragma once

#include <cstdint>
#include <string>

#include "platform/seam.h"

// Message-box styles and answers with their Windows values, for code that does not
// include <windows.h>.
namespace mbox {
constexpr unsigned Ok = 0x0, YesNoCancel = 0x3, YesNo = 0x4;
constexpr unsigned IconQuestion = 0x20, IconExclamation = 0x30;
// A result that is a success: the warning's icon stays for failures.
constexpr unsigned IconInformation = 0x40;
// The second button ("否") is the default: for questions whose Yes destroys or
// overwrites data, so that a quick Enter never does it.
constexpr unsigned DefaultNo = 0x100;
constexpr int IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7;
}  // namespace mbox

bool IsProcessRunning(const std::wstring& executableName);
std::wstring GetTempFolder();
std::wstring GetModuleFolder();
std::wstring GetParentFolder(const std::wstring& path);
std::wstring GetFileNamePart(const std::wstring& path, bool withExtension);
bool PathExists(const std::wstring& path);
bool ContainsText(const std::wstring& text, const std::wstring& part, bool matchCase);
int CountBackslashes(const std::wstring& path);
bool CreateFolderPath(const std::wstring& folder);
// The path in the form that lifts Windows' limit of 260 characters ("\\?\H:\…",
// "\\?\UNC\server\share\…") when it is long enough to need it; otherwise, or when it
// is no full path, as it is.
std::wstring ExtendedLengthPath(const std::wstring& path);
bool CopyFolderTree(const std::wstring& source, const std::wstring& destinationFolder);
bool CopyPath(const std::wstring& source, const std::wstring& destination);
bool DeletePath(const std::wstring& path);
// DeletePath without the shell's error box: 0 when the path is gone (or never was),
// otherwise the cause of the failure.
uint32_t DeletePathQuietly(const std::wstring& path);
// The full path of the first match, or the empty string.
std::wstring FindFileInTree(const std::wstring& folder, const std::wstring& name, int depthLimit);
std::wstring FindFileOnDrives(const std::wstring& name, int depthLimit);
std::wstring FindDataRoot();
std::wstring FindDataFile(const std::wstring& name);
bool LocateFile(const std::wstring& relativePath, std::wstring* fullPath);
std::wstring GetFileVersionString(const std::wstring& executablePath);
int RunCommandLine(const std::wstring& commandLine, bool wait, bool show);
int RunProgram(const std::wstring& application, const std::wstring& commandLine, bool wait, bool show);
// RunProgram waited for only while keepWaiting says so (see Seam::StartProcessWatched).
int RunProgramWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                      const std::function<bool()>& keepWaiting, bool* abandoned);
// Windows' own program that the command line names first ("bcdedit.exe /export …"),
// started from the system folder by its full path: never one of that name beside the
// program or in the current folder. The command line is passed as given.
int RunSystemTool(const std::wstring& commandLine, bool wait, bool show);
int ShowMessage(const std::wstring& text, unsigned style);
// Restarts Windows; once Windows accepts, the program ends with exitCode. False, told
// when Windows refused, when it did not.
bool RebootSystem(int exitCode = 0);
std::wstring GetSystemDrive();
int GetOSMajorVersion();
std::wstring GetOSNameWithBitness();
std::wstring GetProductName();
std::wstring GetCurrentBuild();
std::wstring GetInstallDateText();
// Seconds since 1970 as "%Y-%m-%d %H:%M:%S" in UTC; empty on failure.
std::wstring FormatUtcTime(int64_t seconds);
