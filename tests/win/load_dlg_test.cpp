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
  std::wstring status;
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

// The parameter record of the workers below: the dialog first, as every caller does.
struct Job {
  ProbeLoadDlg* dialog = nullptr;
  HANDLE abort = nullptr;
  std::vector<Snapshot> seen;
  std::atomic<bool> finished{false};
  LPVOID received = nullptr;
  HWND owner = nullptr;
  bool ownerAnswered = false;
  bool ownerDisabled = false;
};

void PressKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

TEST(LoadDlg, WorkerThatClosesAtOnceEndsTheModalRunAndAnotherRunStartsItAgain) {
  ProbeLoadDlg dialog;
  Job job;
  job.dialog = &dialog;
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    job->received = param;
    job->dialog->Post(WM_CLOSE);
    return 0;
  };
  dialog.m_pWorkerParam = &job;
  ModalDeadline deadline(&dialog, kWait);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(deadline.expired());
  EXPECT_EQ(job.received, &job);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(dialog.Post(WM_LOAD_PROGRESS, 5));  // posting after the close has no effect

  // Shown again, through a reference to the framework's dialog: the worker starts again
  // and the run still returns only once it has ended.
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    job->dialog->Post(WM_CLOSE);
    Sleep(300);
    job->finished = true;
    return 0;
  };
  ui::Dialog& framework = dialog;
  ModalDeadline again(&dialog, kWait);
  EXPECT_EQ(framework.DoModal(), IDCANCEL);
  EXPECT_FALSE(again.expired());
  EXPECT_TRUE(job.finished);
}

TEST(LoadDlg, NullParameterHandsOverTheDialog) {
  static LPVOID received;
  received = nullptr;
  ProbeLoadDlg dialog;
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    received = param;
    static_cast<LoadDlg*>(param)->Post(WM_CLOSE);
    return 0;
  };
  ModalDeadline deadline(&dialog, kWait);
  dialog.DoModal();
  EXPECT_FALSE(deadline.expired());
  EXPECT_EQ(received, static_cast<LPVOID>(static_cast<LoadDlg*>(&dialog)));
}

TEST(LoadDlg, ProgressAndStatusAreShownInPostingOrder) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  Job job;
  job.dialog = &dialog;
  job.abort = deadline.abort();
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    LoadDlg* dlg = job->dialog;
    job->seen.push_back(job->dialog->Probe(job->abort));
    dlg->Post(WM_LOAD_PROGRESS, 10);
    SetStatusText(L"正在扫描......，请耐心等待！", dlg);
    job->seen.push_back(job->dialog->Probe(job->abort));
    dlg->Post(WM_LOAD_PROGRESS, 60);
    SetStatusText(Format(L"正在执行......，已完成%d %%", 60), dlg);
    dlg->Post(WM_LOAD_PROGRESS, 100);
    job->seen.push_back(job->dialog->Probe(job->abort));
    dlg->Post(WM_CLOSE);
    return 0;
  };
  dialog.m_pWorkerParam = &job;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_FALSE(deadline.expired());
  ASSERT_EQ(job.seen.size(), 3u);
  EXPECT_EQ(job.seen[0].position, 0);
  EXPECT_EQ(job.seen[0].status, L"");
  EXPECT_FALSE(job.seen[0].closeEnabled);
  EXPECT_TRUE(job.seen[0].visible);
  EXPECT_EQ(job.seen[1].position, 10);
  EXPECT_EQ(job.seen[1].status, L"正在扫描......，请耐心等待！");
  EXPECT_EQ(job.seen[2].position, 100);
  EXPECT_EQ(job.seen[2].status, L"正在执行......，已完成60 %");
  EXPECT_FALSE(job.seen[2].closeEnabled);
}

TEST(LoadDlg, FailedWorkerLeavesItsTextUntilClosePressed) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  Job job;
  job.dialog = &dialog;
  job.abort = deadline.abort();
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    // Enter and Esc while the worker runs and "关闭" is disabled: nothing.
    PressKey(job->dialog->hwnd(), VK_RETURN);
    PressKey(job->dialog->hwnd(), VK_ESCAPE);
    job->seen.push_back(job->dialog->Probe(job->abort));
    job->dialog->Post(WM_LOAD_PROGRESS, 40);
    SetStatusText(Format(L"操作失败！代码：%d", 5), job->dialog);
    job->dialog->Post(WM_LOAD_ENABLE_CLOSE);
    job->finished = true;
    return 1;
  };
  dialog.m_pWorkerParam = &job;
  std::vector<Snapshot> afterKeys;
  std::thread user([&] {
    while (!job.finished && WaitForSingleObject(job.abort, 10) == WAIT_TIMEOUT) {}
    afterKeys.push_back(dialog.Probe(job.abort));
    // "关闭" took the focus when it was enabled: Enter presses it.
    PressKey(GetDlgItem(dialog.hwnd(), IDC_LOAD_CLOSE), VK_RETURN);
  });
  INT_PTR result = dialog.DoModal();
  user.join();
  ASSERT_FALSE(deadline.expired());
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(job.seen.size(), 1u);
  EXPECT_TRUE(job.seen[0].running) << "a key closed the dialog while its worker ran";
  EXPECT_FALSE(job.seen[0].closeEnabled);
  ASSERT_EQ(afterKeys.size(), 1u);
  EXPECT_TRUE(afterKeys[0].running);
  EXPECT_TRUE(afterKeys[0].visible);
  EXPECT_EQ(afterKeys[0].position, 40);
  EXPECT_EQ(afterKeys[0].status, L"操作失败！代码：5");
  EXPECT_TRUE(afterKeys[0].closeEnabled);
  EXPECT_TRUE(afterKeys[0].closeFocused);
}

TEST(LoadDlg, SystemCloseIsRefusedWhileTheWorkerRuns) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, kWait);
  Job job;
  job.dialog = &dialog;
  job.abort = deadline.abort();
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    HWND window = job->dialog->hwnd();
    PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt+F4
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);       // system menu "关闭"
    // Twice: what those keys lead to is posted in turn, behind the first probe.
    job->dialog->Probe(job->abort);
    job->seen.push_back(job->dialog->Probe(job->abort));
    job->finished = true;
    SetStatusText(L"失败", job->dialog);
    job->dialog->Post(WM_LOAD_ENABLE_CLOSE);
    return 1;
  };
  dialog.m_pWorkerParam = &job;
  std::thread user([&] {
    // Once the worker has ended, Alt+F4 closes the dialog like "关闭".
    while (!job.finished && WaitForSingleObject(job.abort, 10) == WAIT_TIMEOUT) {}
    while (WaitForSingleObject(job.abort, 20) == WAIT_TIMEOUT &&
           dialog.Post(WM_SYSCOMMAND, SC_CLOSE)) {}
  });
  INT_PTR result = dialog.DoModal();
  user.join();
  ASSERT_FALSE(deadline.expired());
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(job.seen.size(), 1u);
  EXPECT_TRUE(job.seen[0].running);
  EXPECT_TRUE(job.seen[0].visible);
}

TEST(LoadDlg, MainWindowOwnsItAndTheCallReturnsOnlyAfterTheWorkerEnded) {
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
  Job job;
  job.dialog = &dialog;
  job.owner = main;
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    Job* job = static_cast<Job*>(param);
    job->ownerDisabled = !IsWindowEnabled(job->owner);
    job->dialog->Post(WM_CLOSE);
    Sleep(300);
    // The window's thread is waiting for us now; a message sent to it is still answered.
    DWORD_PTR answer = 0;
    job->ownerAnswered = SendMessageTimeoutW(job->owner, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL,
                                             kWait, &answer) != 0;
    job->finished = true;
    return 0;
  };
  dialog.m_pWorkerParam = &job;
  SetActiveWindow(main);
  dialog.DoModal();  // no owner given
  TheSeam().SetMainWindow(nullptr);
  EXPECT_TRUE(job.ownerDisabled);  // the page behind could not be used meanwhile
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(GetActiveWindow(), main);  // the activation comes back to the main window
  EXPECT_TRUE(job.finished);  // the record was still alive for the worker's last steps
  EXPECT_TRUE(job.ownerAnswered);
  DestroyWindow(main);
}

TEST(LoadDlg, ManyStatusTextsArriveWholeInOrderAndLateOnesAreDropped) {
  ProbeLoadDlg dialog;
  ModalDeadline deadline(&dialog, 30000);
  static std::vector<std::wstring> sent;
  sent.clear();
  for (int i = 0; i < 1000; ++i)
    sent.push_back(Format(L"正在解析软件映射文件 %d %s", i, std::wstring(static_cast<size_t>(i % 97), L'x')));
  dialog.m_pfnWorker = [](LPVOID param) -> UINT {
    LoadDlg* dlg = static_cast<LoadDlg*>(param);
    for (size_t i = 0; i < sent.size(); ++i) {
      SetStatusText(sent[i], dlg);
      dlg->Post(WM_LOAD_PROGRESS, i * 100 / sent.size());
    }
    dlg->Post(WM_CLOSE);
    // These race the window's end: each is shown or dropped, never half-written.
    for (int i = 0; i < 200; ++i) SetStatusText(L"late", dlg);
    return 0;
  };
  dialog.DoModal();
  ASSERT_FALSE(deadline.expired());
  ASSERT_GE(dialog.shown.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) ASSERT_EQ(dialog.shown[i], sent[i]) << i;
  for (size_t i = sent.size(); i < dialog.shown.size(); ++i) EXPECT_EQ(dialog.shown[i], L"late");
  SetStatusText(L"after", &dialog);  // the window is gone: nothing happens
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
