// The WIM engine: restore a partition from an image of a WIM file, back a partition up
// into one, and start the external installer.
//
// The backup and restore page calls ApplyWimImage and CaptureWimImage on its own thread
// and hands over, in WimPageHooks, what only a window can do: the image chooser and the
// progress window behind which the long imaging call runs. The imaging calls themselves
// go through the imaging in use (platform/imaging.h), their handles owned as
// deploy/wim_handles.h says. The rest of the WIM work sits beside it: deploy/wim_images
// (image count and list), deploy/wim_mount (mount, unmount, stale mounts) and
// deploy/wim_image_xml (the image XML).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "deploy/wim_handles.h"
#include "deploy/wim_image_info.h"
#include "deploy/wim_image_xml.h"
#include "deploy/outcome.h"
#include "platform/progress.h"

struct WimPageHooks {
  // The image chooser (SelectImageDlg): the chosen image's index, or 0 when none was chosen.
  std::function<int(const WimImageList& images)> chooseImage;
  // Runs the imaging work behind the progress window and returns its result once the
  // window has closed and the work has ended.
  WorkRunner runWork;
  // Formats the target of an apply in place of the shell's format dialog (drive 0 is A:):
  // 0 when formatted, kFormatCancelled when the user said no, anything else on failure,
  // with why in *why. Unset: the dialog.
  std::function<uint32_t(const std::wstring& target, uint32_t drive, std::wstring* why)> formatTarget;
};

constexpr uint32_t kFormatCancelled = 0xFFFFFFFE;   // SHFMT_CANCEL

// The parameter record of the two imaging workers; it lives in the frame of the apply or
// capture for the length of the modal progress window.
struct _WIMJOB {
  Progress* progress = nullptr;      // set by the worker as it starts: the callback reports there
  Imaging::WimHandle handle = 0;     // the loaded image (apply) or the WIM file (capture)
  std::wstring path;                 // the target (apply) or source (capture) folder
  uint32_t flags = 0;
  uint32_t error = 0;                // set by a worker that failed: the imaging call's error
};

// How an apply or a capture ended.
enum class WimCode {
  Applied,                // applied and the boot files repaired
  Captured,               // the partition is in the file
  Declined,               // the user said No, chose no image or cancelled the format
  TempFolderNotRemoved,   // the old temporary folder could not be removed (capture)
  TempFolderNotCreated,   // the temporary folder could not be created (capture)
  NotOpened,              // the file to apply could not be opened: the error code
  NotCreated,             // the file to capture into could not be opened or created: the error code
  InfoNotRead,            // the image count could not be read
  ImageNotLoaded,         // the chosen image could not be loaded
  FormatFailed,           // the target could not be formatted: the target, then why
  ApplyFailed,            // the imaging call failed after the format: the error code
  CaptureFailed,          // the imaging call failed: the error code
  BootNotRepaired,        // applied, but bcdboot failed
  TemporaryPathRefused,   // the imaging library refused the temporary folder
  CallbackRefused,        // the imaging library refused the progress callback
  ImageOnTarget,          // the image lies on the partition the apply would format
  TempOnTarget,           // so does the imaging library's temporary folder: the folder
  FolderMissing,          // the folder to capture into is not there: the file
};
using WimOutcome = Outcome<WimCode>;

// Whether the outcome is a failure of work begun (a file opened, a partition formatted,
// an image written): not a success, the user's No or a refusal before anything was done.
bool IsFailure(WimCode code);

// The table of the outcomes' texts: a template over the target (%s) or the error code
// (%d) where the text names one; empty where nothing is left to tell.
const wchar_t* WimOutcomeText(WimCode code);
// The outcome of a failed imaging call: the code's text over the error code, the file it
// is about on a line of its own (when one is given), then the system's own text for it.
WimOutcome WimFailure(WimCode code, uint32_t error, const std::wstring& file = L"");

// Restores one image of the WIM file onto the target partition ("D:"), formatting it
// first, and makes the partition bootable.
WimOutcome ApplyWimImage(const std::wstring& imagePath, const std::wstring& target, const WimPageHooks& page);
// Backs the source partition up into the WIM file, as a further image when the file
// exists. compression: the page's compression choice, 0 to 3.
WimOutcome CaptureWimImage(const std::wstring& imagePath, const std::wstring& source, int compression,
                     const WimPageHooks& page);

// The imaging message callback; user is the _WIMJOB. Always WIM_MSG_SUCCESS.
uint32_t WimMessageCallback(uint32_t message, uintptr_t wParam, intptr_t lParam, void* user);
// The workers: true on success; on failure the status says why.
bool ApplyWimWork(_WIMJOB* job, Progress& progress);
bool CaptureWimWork(_WIMJOB* job, Progress& progress);

// Starts SGI.exe from the program folder or a drive root.
void RunExternalInstaller();

// "KXWimTemp" in the user's temporary folder as it is now; a job reads it once, at its
// start, and keeps it to its end.
std::wstring WimTempFolder();
