// The command line of unattended jobs: what the arguments ask for, the usage text and
// the exit codes. Without arguments the program opens its window as always.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Action { Window, Usage, Version, Restore, Backup };

struct Options {
  Action action = Action::Window;
  std::wstring image;       // full path from its drive letter: D:\GHO\WIN7.GHO
  std::wstring partition;   // drive letter with colon, upper case (C:), or "disk:partition" (1:1)
  bool wim = false;         // the image is a .WIM file (otherwise .GHO)
  int index = 0;            // /index: the image of the WIM file to restore; 0 when not given
  int compression = 0;      // /z: Ghost's level (0-9) or the WIM compression (0-3)
  bool append = false;      // /append: add the backup to an existing WIM file
  bool yes = false;         // /yes: the program's own questions are answered Yes
  bool reboot = false;      // /reboot: restart once the job has succeeded
  bool quiet = false;       // /quiet: only errors reach the console; needs /yes
  std::wstring logFile;     // /log: the log file instead of the default one
  std::wstring error;       // why the arguments were refused (Action::Usage); empty for /?
};

// Reads the arguments after the program's name. Switches start with / or -, in any case;
// a value follows a colon (/index:2) or stands in the next argument (/index 2). Anything
// it cannot take whole gives Action::Usage with the reason in error.
Options ParseArguments(const std::vector<std::wstring>& arguments);

// The usage text printed for /? and after bad arguments; no line is wider than 80
// console columns.
std::wstring UsageText();

// A path holds a character Windows forbids in names, or a colon past its drive's.
bool HasForbiddenCharacter(const std::wstring& path);

// How an unattended job ended; documented in the README.
namespace exit_code {
constexpr int Done = 0;            // done
constexpr int BadArguments = 1;    // the usage was printed, or the /log file cannot be written; nothing was changed
constexpr int Mismatch = 2;        // the image, partition, index or GHOST32.EXE is not as named
constexpr int Declined = 3;        // a question was answered No
constexpr int Refused = 4;         // not possible here (GPT or UEFI on the desktop, WIM restore on the desktop), or
                                   // a target the windows refuse (a stick, in use by this run, holding the image)
constexpr int StagingFailed = 5;   // the DOS stage could not be prepared
constexpr int BootFailed = 6;      // the boot entry could not be set, or the boot files not repaired
constexpr int ImagingFailed = 7;   // Ghost or the imaging API failed
constexpr int RestartFailed = 8;   // the job was done, but Windows refused to restart
constexpr int OtherFailure = 9;
constexpr int AnotherCopy = 10;    // another copy of the program runs: nothing was done
// Staged on a desktop: the job runs at the next start. The imaging tools' "restart required".
constexpr int RestartRequired = 3010;
// Staged, and under /reboot the restart that runs it has begun: "restart initiated".
constexpr int RestartStarted = 1641;
}  // namespace exit_code

// What an exit code means, for the last line of a job on the console and in the log.
std::wstring ExitCodeMeaning(int code);

}  // namespace cli
