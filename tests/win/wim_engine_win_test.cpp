// The WIM engine under Wine: the real imaging where Wine's wimgapi.dll cannot work,
// and a capture behind the real progress window with the imaging calls scripted.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ui/load_dlg.h"
#include "deploy/wim_engine.h"
#include "platform/imaging.h"
#include "platform/prompts.h"
#include "platform/seam_win.h"
#include "win/modal_deadline.h"

namespace {

// The real seam, with message boxes answered Yes and recorded, and a temporary folder
// of this process: the engine empties and remakes its folder below it, and two test
// processes sharing one would remove it under each other (ctest runs tests side by side).
class AnsweringSeam : public Win32Seam, public Prompts {
 public:
  std::wstring TempPath() override {
    return Win32Seam::TempPath() + L"rigmate-wim-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  }
  ~AnsweringSeam() override {
    RemoveDirectoryW(WimTempFolder().c_str());
    RemoveDirectoryW(TempPath().c_str());
  }
  int ShowMessageBox(const std::wstring& text, const std::wstring&, unsigned style) override {
    boxes.push_back(text);
    return (style & 0xF) == MB_YESNO ? IDYES : IDOK;
  }
  std::vector<std::wstring> boxes;
};

// Imaging calls that succeed; the capture reports progress from the worker's thread. A
// call the capture does not make fails.
class ScriptedImaging : public Imaging {
 public:
  WimHandle WimCreateFile(const std::wstring&, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t*) override { return 1; }
  bool WimImageCount(WimHandle, uint32_t*) override { return false; }
  bool WimSetTemporaryPath(WimHandle, const std::wstring&) override { return true; }
  bool WimImageInformation(WimHandle, std::wstring*) override { return false; }
  WimHandle WimLoadImage(WimHandle, uint32_t) override { return 0; }
  uint32_t WimRegisterCallback(WimHandle, WimCallback registered, void* data) override {
    callback = registered;
    user = data;
    return 0;
  }
  bool WimUnregisterCallback(WimHandle, WimCallback) override { return true; }
  WimHandle WimCaptureImage(WimHandle, const std::wstring& path, uint32_t, uint32_t*) override {
    captured = path;
    callbackThread = GetCurrentThreadId();
    for (uintptr_t percent : {10u, 60u, 100u}) {
      callback(38008, percent, 0, user);
      Sleep(20);
    }
    return 2;
  }
  bool WimCloseHandle(WimHandle handle) override {
    closed.push_back(handle);
    return true;
  }
  bool WimApplyImage(WimHandle, const std::wstring&, uint32_t, uint32_t*) override { return false; }
  bool WimMountImageHandle(WimHandle, const std::wstring&, uint32_t, uint32_t*) override { return false; }
  bool WimGetMountedImageHandle(const std::wstring&, uint32_t, WimHandle*, WimHandle*, uint32_t*) override {
    return false;
  }
  bool WimUnmountImageHandle(WimHandle, uint32_t, uint32_t*) override { return false; }

  WimCallback callback = nullptr;
  void* user = nullptr;
  std::wstring captured;
  std::atomic<DWORD> callbackThread{0};
  std::vector<WimHandle> closed;
};

// The backup and restore page's progress window, with a deadline so that a fault
// cannot leave the modal run open.
struct DeadlineLoadDlg {
  static bool Run(const Work& work) {
    LoadDlg dialog;
    ModalDeadline deadline(&dialog, 10000);
    bool succeeded = dialog.RunWork(work);
    expired = deadline.expired();
    return succeeded;
  }
  static inline bool expired = false;
};

}  // namespace

TEST(WimEngineOnWine, ImagingCallsFailCleanlyWithoutAWorkingWimgapi) {
  AnsweringSeam seam;
  Imaging& imaging = WindowsImaging();
  uint32_t error = 0;
  EXPECT_EQ(imaging.WimCreateFile(L"C:\\missing.wim", wim::GenericRead, wim::OpenExisting, 0, 0, &error), 0u);
  EXPECT_NE(error, 0u);
  EXPECT_FALSE(imaging.WimSetTemporaryPath(0, L"C:\\windows\\temp"));   // not exported by Wine

  SetSeam(&seam);
  SetPrompts(&seam);
  const WimOutcome outcome = CaptureWimImage(L"C:\\rigmate-wim-test.wim", L"C:", 1, WimPageHooks{});
  SetPrompts(nullptr);
  SetSeam(nullptr);
  EXPECT_EQ(outcome.code, WimCode::NotCreated);
  EXPECT_NE(outcome.text.rfind(L"打开或者创建WIM文件失败！错误代码：", 0), std::wstring::npos);
  EXPECT_EQ(outcome.text.rfind(L"打开或者创建WIM文件失败！错误代码：0", 0), std::wstring::npos);
}

TEST(WimEngineOnWine, CaptureRunsBehindTheProgressWindow) {
  AnsweringSeam seam;
  ScriptedImaging imaging;
  SetSeam(&seam);
  SetImaging(&imaging);
  SetPrompts(&seam);
  WimPageHooks page;
  page.runWork = &DeadlineLoadDlg::Run;
  const WimOutcome outcome = CaptureWimImage(L"C:\\rigmate-wim-test.wim", L"C:", 0, page);
  SetPrompts(nullptr);
  SetImaging(nullptr);
  SetSeam(nullptr);
  EXPECT_FALSE(DeadlineLoadDlg::expired);
  EXPECT_EQ(imaging.captured, L"C:\\");
  EXPECT_NE(imaging.callbackThread.load(), GetCurrentThreadId());
  EXPECT_EQ(imaging.closed, (std::vector<Imaging::WimHandle>{2, 1}));
  EXPECT_EQ(outcome.code, WimCode::Captured);
}
