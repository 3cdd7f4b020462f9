// The WIM engine: restore a partition from an image of a WIM file, back a partition up
// into one, and start the external installer.
//
// The backup and restore page calls ApplyWimImage and CaptureWimImage on its own thread
// and hands over, in WimPageHooks, what only a window can do: the image chooser and the
// progress window behind which the long imaging call runs. The imaging calls themselves
// go through the seam.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "deploy/wim_image_info.h"
#include "deploy/wim_image_xml.h"
#include "platform/seam.h"

// Values of the Windows Imaging API.
namespace wim {
constexpr uint32_t GenericRead = 0x80000000, GenericWrite = 0x40000000;
constexpr uint32_t CreateAlways = 2, OpenExisting = 3;
constexpr uint32_t CompressNone = 0, CompressXpress = 1, CompressLzx = 2, CompressLzms = 3;
constexpr uint32_t MsgProgress = 38008, MsgScanning = 38010, MsgError = 38015, MsgRetry = 38017,
                   MsgInfo = 38020, MsgWarning = 38021;
constexpr uint32_t MsgSuccess = 0;
constexpr uint32_t InvalidCallbackValue = 0xFFFFFFFF;
}  // namespace wim

// The progress window of an imaging worker, built by the page over LoadDlg. The first
// four are called on the worker's thread and only post to the window (WM_LOAD_PROGRESS,
// SetStatusText, WM_LOAD_ENABLE_CLOSE, WM_CLOSE); RunModal is called on the page's
// thread.
class WorkerWindow {
 public:
  using Worker = unsigned (*)(void* param);
  virtual ~WorkerWindow() = default;
  virtual void PostProgress(int percent) = 0;
  virtual void SetStatus(const std::wstring& text) = 0;
  virtual void PostEnableClose() = 0;
  virtual void PostClose() = 0;
  // Shows the window modally and runs worker(param) on a thread of its own from its first
  // show; returns once the window has closed and the worker has ended.
  virtual void RunModal(Worker worker, void* param) = 0;
};

struct WimPageHooks {
  // The image chooser (SelectImageDlg): the chosen image's index, or 0 when none was chosen.
  std::function<int(const WimImageList& images)> chooseImage;
  // A new progress window, not shown yet.
  std::function<std::unique_ptr<WorkerWindow>()> newWorkerWindow;
};

// The parameter record of the two imaging workers; it lives in the frame of the apply or
// capture for the length of the modal progress window.
struct _WIMJOB {
  WorkerWindow* dialog = nullptr;
  Seam::WimHandle handle = 0;   // the loaded image (apply) or the WIM file (capture)
  std::wstring path;            // the target (apply) or source (capture) folder
  uint32_t flags = 0;
  unsigned result = 1;          // what the worker returned: 0 success, 1 failure
};

// Restores one image of the WIM file onto the target partition ("D:"), formatting it
// first, and makes the partition bootable. The user is told the outcome.
void ApplyWimImage(const std::wstring& imagePath, const std::wstring& target, const WimPageHooks& page);
// Backs the source partition up into the WIM file, as a further image when the file
// exists. compression: the page's compression choice, 0 to 3.
void CaptureWimImage(const std::wstring& imagePath, const std::wstring& source, int compression,
                     const WimPageHooks& page);

// The imaging message callback; user is the WorkerWindow. Always WIM_MSG_SUCCESS.
uint32_t WimMessageCallback(uint32_t message, uintptr_t wParam, intptr_t lParam, void* user);
// The workers, given a _WIMJOB: 0 on success, 1 on failure.
unsigned ApplyWimThread(void* param);
unsigned CaptureWimThread(void* param);

// Starts SGI.exe from the program folder or a drive root.
void RunExternalInstaller();

// "KXWimTemp" in the user's temporary folder, computed once per process.
const std::wstring& WimTempFolder();
// The boot-file repair after an apply onto target ("D:").
std::wstring BcdbootCommand(const std::wstring& target);
// Rebuilds the boot files of the Windows on target with bcdboot (WOW64 redirection off
// around it); false when bcdboot fails or cannot start.
bool RepairBootFiles(const std::wstring& target);
