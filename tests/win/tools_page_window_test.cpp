// The tool pack page in real windows over the fake machine: the pack mounted at the first
// show (a mount left by an earlier run undone first), the filters and a double-click; and
// the main window closed while the loader mounts or shows a box of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>

#include "app/rigmate_dlg.h"
#include "pages/toolbox/tools_dlg.h"
#include "tests/fakes/fake_seam.h"
#include "tests/win/step_runner.h"

namespace {

const wchar_t kWim[] = L"C:\\Rigmate\\WEPE\\WEPE32.WIM";
const wchar_t kMountFolder[] = L"C:\\Rigmate\\WEPE32";
constexpr int kToolsTab = 4;

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[260] = {};
  ListView_GetItemText(list, row, column, text, 260);
  return text;
}

std::wstring Names(HWND list) {
  std::wstring names;
  for (int row = 0; row < ListView_GetItemCount(list); ++row) names += Cell(list, row, 0) + L";";
  return names;
}

void DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TEST(ToolsPageWindow, FirstShowMountsThePackAndTheListFiltersAndStartsTools) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  FakeSeam::WimFile& wim = fake.AddWimFile(kWim);
  wim.imageCount = 2;
  wim.mountedFiles[L"TOOLS.MAP"] =
      "Notepad|文件工具|\\t\\np.exe|text editor\r\nDiskGenius|磁盘管理|\\t\\dg.exe|partition\r\n"
      "Sogou|输入法|\\t\\sg.exe|pinyin\r\nHDTune|检测工具|\\t\\hd.exe|disk speed\r\n"
      "NTPWEdit|密码管理|\\t\\pw.exe|reset\r\nGhost|系统工具|\\t\\gh.exe|DISK image\r\n";
  // Left mounted by an earlier run that did not end well.
  fake.AddFolder(std::wstring(kMountFolder) + L"\\t");
  fake.wimMounts[kMountFolder] = std::wstring(kWim) + L"|2";

  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 900, 500, nullptr, nullptr, nullptr, nullptr);
  {
    ToolsDlg page;
    ASSERT_TRUE(page.Create(parent));
    HWND list = page.Item(IDC_TOOLS_LIST);
    EXPECT_FALSE(page.LoaderStarted());
    ShowWindow(page.hwnd(), SW_SHOW);
    page.WaitForLoader();
    DispatchPending();
    EXPECT_TRUE(fake.messages.empty()) << "the stale mount is undone without a question";
    EXPECT_EQ(fake.wimCalls[1], L"UnmountImageHandle 2 0");
    EXPECT_EQ(Names(list), L"Notepad;DiskGenius;Sogou;HDTune;NTPWEdit;Ghost;");
    EXPECT_EQ(Cell(list, 2, 1), L"输入法");
    EXPECT_EQ(Cell(list, 2, 4), L"C:\\Rigmate\\WEPE32\\t\\sg.exe");

    HWND combo = page.Item(IDC_TOOLS_CATEGORY);
    SendMessageW(combo, CB_SETCURSEL, 3, 0);
    SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TOOLS_CATEGORY, CBN_SELCHANGE), LPARAM(combo));
    EXPECT_EQ(Names(list), L"Sogou;");
    // Typing searches names, categories and descriptions of every category, any case.
    SetWindowTextW(page.Item(IDC_TOOLS_SEARCH_TEXT), L"disk");
    EXPECT_EQ(Names(list), L"DiskGenius;HDTune;Ghost;");
    SetWindowTextW(page.Item(IDC_TOOLS_SEARCH_TEXT), L"");
    EXPECT_EQ(Names(list), L"Sogou;");

    NMITEMACTIVATE click = {};
    click.hdr = {list, IDC_TOOLS_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = 0;
    SendMessageW(page.hwnd(), WM_NOTIFY, IDC_TOOLS_LIST, LPARAM(&click));
    ASSERT_EQ(fake.starts.size(), 1u);
    EXPECT_EQ(fake.starts[0].application, L"C:\\Rigmate\\WEPE32\\t\\sg.exe");
    EXPECT_FALSE(fake.starts[0].wait);
    EXPECT_EQ(fake.wimMounts.size(), 1u);
  }
  DestroyWindow(parent);
  EXPECT_TRUE(fake.wimMounts.empty());
  EXPECT_FALSE(fake.Exists(kMountFolder));
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

// A mount that takes its time, and boxes of the loader shown for real, owned by the main
// window: a box disables its owner with a message sent to the window's thread.
class SlowMountSeam : public FakeSeam {
 public:
  SlowMountSeam() : mounting(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~SlowMountSeam() override { CloseHandle(mounting); }
  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags, uint32_t* error) override {
    SetEvent(mounting);
    Sleep(mountMilliseconds);
    return FakeSeam::WimMountImageHandle(image, folder, flags, error);
  }
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override {
    const int answer = FakeSeam::ShowMessageBox(text, caption, style);
    if (GetCurrentThreadId() == windowThread) return answer;
    boxThread = GetCurrentThreadId();
    return MessageBoxExW(static_cast<HWND>(MainWindow()), text.c_str(), caption.c_str(), style, 0);
  }
  HANDLE mounting;
  DWORD mountMilliseconds = 0;
  std::atomic<DWORD> boxThread{0};
  const DWORD windowThread = GetCurrentThreadId();
};

BOOL CALLBACK NoteVisible(HWND window, LPARAM found) {
  if (IsWindowVisible(window)) *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

bool ThreadShowsAWindow(DWORD thread) {
  bool found = false;
  if (thread) EnumThreadWindows(thread, NoteVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Closes the main window after the steps; how long the close took.
DWORD CloseDuring(StepRunner::Step waitForIt) {
  CRigmateDlg dialog;
  DWORD took = 0;
  bool closed = false;
  StepRunner().Run(dialog, {[](HWND main) {
                              HWND tab = GetDlgItem(main, IDC_TAB);
                              SendMessageW(tab, TCM_SETCURSEL, kToolsTab, 0);
                              NMHDR header = {tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
                              SendMessageW(main, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
                            },
                            waitForIt, [&](HWND main) {
                              const DWORD start = GetTickCount();
                              // The close box; while a box disables the window, a close
                              // from outside (the taskbar, the session).
                              if (IsWindowEnabled(main))
                                SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
                              else
                                SendMessageW(main, WM_CLOSE, 0, 0);
                              took = GetTickCount() - start;
                              closed = !dialog.IsModalRunning();
                            }});
  EXPECT_TRUE(closed);
  return took;
}

TEST(ToolsPageClosing, ClosingWhileTheLoaderMountsEndsAtOnceAndUndoesTheMount) {
  for (bool mountFails : {true, false}) {
    SlowMountSeam fake;
    ScopedSeam use(&fake);
    fake.AddWimFile(kWim).imageCount = 2;   // without TOOLS.MAP
    if (mountFails) fake.wimMountError = 0xC1420116;
    fake.mountMilliseconds = 1500;
    testing::internal::CaptureStdout();
    const DWORD took = CloseDuring(
        StepRunner::WaitUntil([&] { return WaitForSingleObject(fake.mounting, 0) == WAIT_OBJECT_0; }));
    testing::internal::GetCapturedStdout();
    EXPECT_LT(took, 5000u) << mountFails;
    for (const auto& box : fake.messages) ADD_FAILURE() << "a box after the close: " << testing::PrintToString(box.text);
    EXPECT_TRUE(fake.wimMounts.empty()) << mountFails;
    EXPECT_FALSE(fake.Exists(kMountFolder)) << mountFails;
    EXPECT_TRUE(fake.wimOpenHandles.empty()) << mountFails;
  }
}

TEST(ToolsPageClosing, ABoxTheLoaderShowsIsAnsweredWhenTheProgramCloses) {
  SlowMountSeam fake;
  ScopedSeam use(&fake);
  fake.AddWimFile(kWim).imageCount = 2;   // without TOOLS.MAP: "打开配置文件失败！"
  const DWORD took = CloseDuring(StepRunner::WaitUntil([&] { return ThreadShowsAWindow(fake.boxThread); }));
  EXPECT_LT(took, 5000u);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"打开配置文件失败！");
  EXPECT_FALSE(ThreadShowsAWindow(fake.boxThread));
  EXPECT_TRUE(fake.wimMounts.empty());
  EXPECT_FALSE(fake.Exists(kMountFolder));
}

}  // namespace
