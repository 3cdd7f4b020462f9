// The worker progress dialog on a real window: workers that close, report, fail and flood.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/load_dlg.h"
#include "platform/format.h"
#include "platform/seam.h"
#include "resources/resource.h"
#include "tests/fakes/fake_seam.h"
#include "win/modal_deadline.h"

namespace {

constexpr UINT WM_PROBE = WM_APP + 50;
constexpr DWORD kWait = 10000;

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

struct Snapshot {
  int position = -1;
  std::wstring status, more;
  bool closeEnabled = false;
  bool closeFocused = false;
  std::wstring closeText;
  bool visible = false;
  bool running = false;
};

// LoadDlg that answers WM_PROBE (posted from another thread) with the state of its window,
// and records every text its status line was given.
class ProbeLoadDlg : public LoadDlg {
 public:
  using LoadDlg::Post;
  ProbeLoadDlg() : taken_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~ProbeLoadDlg() override { CloseHandle(taken_); }

  // From a worker or driver thread: the state once everything posted before is handled.
  Snapshot Probe(HANDLE abort) {
    Snapshot none;
    if (!Post(WM_PROBE)) return none;
    HANDLE events[] = {taken_, abort};
    if (WaitForMultipleObjects(2, events, FALSE, kWait) != WAIT_OBJECT_0) return none;
    return last_;
  }

  std::vector<std::wstring> shown;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_PROBE) {
      last_.position = static_cast<int>(SendMessageW(Item(IDC_LOAD_PROGRESS), PBM_GETPOS, 0, 0));
      last_.status = WindowText(Item(IDC_LOAD_STATUS));
      last_.more = WindowText(Item(IDC_LOAD_STATUS_MORE));
      last_.closeEnabled = IsWindowEnabled(Item(IDC_LOAD_CLOSE)) != FALSE;
      last_.closeFocused = GetFocus() == Item(IDC_LOAD_CLOSE);
      last_.closeText = WindowText(Item(IDC_LOAD_CLOSE));
      last_.visible = IsWindowVisible(hwnd()) != FALSE;
      last_.running = IsModalRunning();
      SetEvent(taken_);
      return true;
    }
    bool handled = LoadDlg::OnMessage(message, wParam, lParam, result);
    if (message == WM_LOAD_STATUS) shown.push_back(WindowText(Item(IDC_LOAD_STATUS)));
    return handled;
  }

 private:
  HANDLE taken_;
  Snapshot last_;
};

void PressKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

TEST(LoadDlg, AWorkThatSucceedsEndsTheRunAndAnotherRunStartsItAgain) {
  ProbeLoadDlg dialog;
  for (int run = 0; run < 2; ++run) {
    ModalDeadline deadline(&dialog, kWait);
    std::atomic<bool> finished{false};
    EXPECT_TRUE(dialog.RunWork([&](Progress&) {
      Sleep(run * 300);
      return finished = true;
    }));
    EXPECT_FALSE(deadline.expired());
    EXPECT_TRUE(finished) << "the run returned before its work had ended";
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_FALSE(dialog.Post(WM_LOAD_PROGRESS, 5));  // posting after the close has no effect
  }
}

TEST(LoadDlg, ProgressAndStatusAreShownInPostingOrder) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  std::vector<Snapshot> seen;
  EXPECT_TRUE(dialog.RunWork([&](Progress& progress) {
    seen.push_back(dialog.Probe(deadline.abort()));
    progress.Position(10);
    progress.Status(L"找不带软件映射文件！\nZ:\\k\\Rigmate\\SOFTWARE\\SOFT_MAP\n(2)");
    seen.push_back(dialog.Probe(deadline.abort()));
    progress.Status(L"正在扫描......，请耐心等待！");
    seen.push_back(dialog.Probe(deadline.abort()));
    progress.Position(60);
    progress.Status(Format(L"正在执行......，已完成%d %%", 60));
    progress.Position(100);
    seen.push_back(dialog.Probe(deadline.abort()));
    return true;
  }));
  ASSERT_FALSE(deadline.expired());
  ASSERT_EQ(seen.size(), 4u);
  // A status of several lines: its first line, and the others on the second line.
  EXPECT_EQ(seen[1].status + L"|" + seen[1].more, L"找不带软件映射文件！|Z:\\k\\Rigmate\\SOFTWARE\\SOFT_MAP (2)");
  seen.erase(seen.begin() + 1);
  EXPECT_EQ(seen[1].more, L"");
  EXPECT_EQ(seen[0].position, 0);
  EXPECT_EQ(seen[0].status, L"");
  EXPECT_FALSE(seen[0].closeEnabled);
  EXPECT_TRUE(seen[0].visible);
  EXPECT_EQ(seen[1].position, 10);
  EXPECT_EQ(seen[1].status, L"正在扫描......，请耐心等待！");
  EXPECT_EQ(seen[2].position, 100);
  EXPECT_EQ(seen[2].status, L"正在执行......，已完成60 %");
  EXPECT_FALSE(seen[2].closeEnabled);
}

// Enter, Esc, Alt+F4 and the system menu's "关闭" do nothing while the work runs; once
// it has failed, its last status stays and "关闭", which has the focus, ends the run.
TEST(LoadDlg, AFailedWorkKeepsItsTextAndOnlyThenTheWindowCloses) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  std::vector<Snapshot> seen;
  std::atomic<bool> finished{false};
  std::thread user([&] {
    while (!finished && WaitForSingleObject(deadline.abort(), 10) == WAIT_TIMEOUT) {}
    Snapshot now;
    do now = dialog.Probe(deadline.abort());
    while (!now.closeEnabled && WaitForSingleObject(deadline.abort(), 10) == WAIT_TIMEOUT);
    seen.push_back(now);
    PressKey(GetDlgItem(dialog.hwnd(), IDC_LOAD_CLOSE), VK_RETURN);
  });
  EXPECT_FALSE(dialog.RunWork([&](Progress& progress) {
    HWND window = dialog.hwnd();
    PressKey(window, VK_RETURN);
    PressKey(window, VK_ESCAPE);
    PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt+F4
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);       // system menu "关闭"
    // Twice: what those keys lead to is posted in turn, behind the first probe.
    dialog.Probe(deadline.abort());
    seen.push_back(dialog.Probe(deadline.abort()));
    progress.Position(40);
    progress.Status(Format(L"操作失败！代码：%d", 5));
    finished = true;
    return false;
  }));
  user.join();
  ASSERT_FALSE(deadline.expired());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].running && seen[0].visible) << "a key closed the dialog while its work ran";
  EXPECT_FALSE(seen[0].closeEnabled);
  EXPECT_TRUE(seen[1].running);
  EXPECT_EQ(seen[1].position, 40);
  EXPECT_EQ(seen[1].status, L"操作失败！代码：5");
  EXPECT_TRUE(seen[1].closeFocused);
}

TEST(LoadDlg, MainWindowOwnsItAndAnswersTheWorkMeanwhile) {
  WNDCLASSW kind = {};
  kind.lpfnWndProc = DefWindowProcW;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.lpszClassName = L"LoadDlgTestOwner";
  RegisterClassW(&kind);
  HWND main = CreateWindowExW(0, kind.lpszClassName, L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                              0, 300, 200, nullptr, nullptr, kind.hInstance, nullptr);
  ASSERT_NE(main, nullptr);
  TheSeam().SetMainWindow(main);
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  bool ownerDisabled = false, ownerAnswered = false;
  SetActiveWindow(main);
  dialog.RunWork([&](Progress&) {   // no owner given
    ownerDisabled = !IsWindowEnabled(main);
    DWORD_PTR answer = 0;
    ownerAnswered = SendMessageTimeoutW(main, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWait, &answer) != 0;
    return true;
  });
  TheSeam().SetMainWindow(nullptr);
  EXPECT_TRUE(ownerDisabled);  // the page behind could not be used meanwhile
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(GetActiveWindow(), main);  // the activation comes back to the main window
  EXPECT_TRUE(ownerAnswered);
  DestroyWindow(main);
}

TEST(LoadDlg, ManyStatusTextsArriveWholeInOrder) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, 30000);
  std::vector<std::wstring> sent;
  for (int i = 0; i < 1000; ++i)
    sent.push_back(Format(L"正在解析软件映射文件 %d %s", i, std::wstring(static_cast<size_t>(i % 97), L'x')));
  dialog.RunWork([&](Progress& progress) {
    for (size_t i = 0; i < sent.size(); ++i) {
      progress.Status(sent[i]);
      progress.Position(static_cast<int>(i * 100 / sent.size()));
    }
    return true;
  });
  ASSERT_FALSE(deadline.expired());
  EXPECT_EQ(dialog.shown, sent);
}

TEST(LoadDlg, AWorkRunEndsTheWindowFromItsResult) {
  ProbeLoadDlg dialog;
  std::vector<Snapshot> seen;
  {  // success: the window closes by itself once the work has returned
    ModalDeadline deadline(&dialog, kWait);
    EXPECT_TRUE(dialog.RunWork([&](Progress& progress) {
      progress.Position(30);
      seen.push_back(dialog.Probe(deadline.abort()));
      return true;
    }));
    ASSERT_FALSE(deadline.expired());
  }
  // Failure: the last status stays with "关闭" enabled until the user closes.
  ModalDeadline deadline(&dialog, kWait);
  std::thread user([&] {
    Snapshot now;
    do now = dialog.Probe(deadline.abort());
    while (!now.closeEnabled && WaitForSingleObject(deadline.abort(), 10) == WAIT_TIMEOUT);
    seen.push_back(now);
    dialog.Post(WM_COMMAND, MAKEWPARAM(IDC_LOAD_CLOSE, BN_CLICKED));
  });
  EXPECT_FALSE(dialog.RunWork([](Progress& progress) {
    progress.Status(L"打开软件映射文件失败！");
    return false;
  }));
  user.join();
  ASSERT_FALSE(deadline.expired());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].position, 30);
  EXPECT_FALSE(seen[0].closeEnabled);
  EXPECT_TRUE(seen[1].running);
  EXPECT_EQ(seen[1].status, L"打开软件映射文件失败！");
}

TEST(LoadDlg, AStoppableWorkStopsOnlyAfterYesAndKeepsItsResult) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.QueueAnswer(IDNO);
  fake.QueueAnswer(IDYES);
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  std::vector<Snapshot> seen;
  auto until = [&](const std::wstring& text) {
    Snapshot now;
    do now = dialog.Probe(deadline.abort());
    while (!(now.closeEnabled && now.closeText == text) && WaitForSingleObject(deadline.abort(), 10) == WAIT_TIMEOUT);
    seen.push_back(now);
  };
  std::thread user([&] {
    until(L"停止");
    dialog.Post(WM_COMMAND, MAKEWPARAM(IDC_LOAD_CLOSE, BN_CLICKED));   // "否": the work goes on
    dialog.Post(WM_COMMAND, MAKEWPARAM(IDC_LOAD_CLOSE, BN_CLICKED));   // "是"
    until(L"关闭");
    dialog.Post(WM_COMMAND, MAKEWPARAM(IDC_LOAD_CLOSE, BN_CLICKED));
  });
  EXPECT_FALSE(dialog.RunWork(
      [](Progress& progress) {
        progress.AllowStop(true);
        while (!progress.Stopping()) progress.Pause(10);
        progress.Status(L"已停止");
        return false;
      },
      nullptr, true));
  user.join();
  ASSERT_FALSE(deadline.expired());
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, L"确定要停止么？");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[1].running);
  EXPECT_EQ(seen[1].status, L"已停止");
}
