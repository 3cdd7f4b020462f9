// LoadDlg: worker start at first show, the worker's private messages, refused closes.
#include "ui/load_dlg.h"

#include <utility>

#include "platform/seam.h"
#include "platform/system.h"
#include "platform/user_window.h"
#include "resources/resource.h"

// The progress of a work run behind the window: everything it says is posted there.
class LoadDlg::PostedProgress : public Progress {
 public:
  explicit PostedProgress(LoadDlg* dialog) : dialog_(dialog) {}
  void Position(int percent) override { dialog_->Post(WM_LOAD_PROGRESS, static_cast<WPARAM>(percent)); }
  void Status(const std::wstring& text) override { dialog_->HandOverStatus(text); }
  // The window goes before its work only when its run was ended from outside.
  bool Stopping() const override { return dialog_->window_.load() == nullptr || dialog_->stopAsked_.load(); }
  void AllowStop(bool allowed) override { dialog_->Post(WM_LOAD_STOPPABLE, allowed ? 1 : 0); }
  void StopNote(const std::wstring& note) override {
    std::lock_guard<std::mutex> hold(dialog_->stopNoteLock_);
    dialog_->stopNote_ = note;
  }
  void Pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

 private:
  LoadDlg* dialog_;
};

// The record of a work run behind the window, in RunWork's frame.
struct LoadDlg::WorkRun {
  LoadDlg* dialog;
  const Work* work;
  bool keepResult;
  bool succeeded;
};

LoadDlg::LoadDlg() : KXDialog(IDD_LOAD) {}

LoadDlg::~LoadDlg() { worker_.Wait(); }

INT_PTR LoadDlg::DoModal(HWND owner) {
  // Without an owner of its own the dialog belongs to the window the user is in (the
  // main window, or the modal dialog over it), which stays disabled meanwhile: the page
  // or dialog behind cannot change while the worker runs.
  if (!owner) owner = UserWindow(static_cast<HWND>(TheSeam().MainWindow()));
  // Every run is a first show of its own window: a dialog shown again starts its worker
  // again instead of waiting for a close that nothing would post.
  worker_.Wait();
  m_bFirstShow = true;
  INT_PTR result = KXDialog::DoModal(owner);
  // A message box of the worker's own disables the main window with a sent message:
  // answered meanwhile, so that the worker's last steps cannot deadlock with this wait.
  worker_.Wait();
  return result;
}

bool LoadDlg::RunWork(const Work& work, HWND owner, bool keepResult) {
  WorkRun run{this, &work, keepResult, false};
  stopAsked_ = false;
  run_ = &run;
  {
    std::lock_guard<std::mutex> hold(stopNoteLock_);
    stopNote_.clear();
  }
  DoModal(owner);
  run_ = nullptr;
  return run.succeeded;
}

void LoadDlg::RunWorkEntry(WorkRun* run) {
  PostedProgress progress(run->dialog);
  try {
    run->succeeded = (*run->work)(progress);
  } catch (...) {
    // A work that threw (out of memory) failed: it must not end the program, and the
    // window must not wait for a close that nothing would post.
    run->succeeded = false;
  }
  // The window ends from here only, the same way whatever road the work took.
  if (run->succeeded && !run->keepResult)
    run->dialog->Post(WM_CLOSE);
  else
    run->dialog->Post(WM_LOAD_ENABLE_CLOSE, run->succeeded ? 1 : 0);
}

bool RunBehindProgress(const Work& work, HWND owner, bool keepResult) {
  LoadDlg dialog;
  return dialog.RunWork(work, owner, keepResult);
}

bool LoadDlg::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  HWND window = window_.load();
  return window && PostMessageW(window, message, wParam, lParam);
}

bool LoadDlg::OnInitDialog() {
  KXDialog::OnInitDialog();
  m_progress = Item(IDC_LOAD_PROGRESS);
  m_status = Item(IDC_LOAD_STATUS);
  statusMore_ = Item(IDC_LOAD_STATUS_MORE);
  m_btnClose = Item(IDC_LOAD_CLOSE);
  SendMessageW(m_progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  EnableWindow(m_btnClose, FALSE);
  window_.store(hwnd());
  taskbar_.Attach(hwnd());
  return true;
}

void LoadDlg::OnFirstShow() {
  if (worker_.Started()) return;
  WorkRun* run = run_;
  if (run && worker_.Start([run] { RunWorkEntry(run); })) return;
  // Nothing runs: let the user leave instead of waiting for a close that never comes.
  EnableClose();
}

void LoadDlg::EnableClose() {
  SetStoppable(false);
  EnableWindow(m_btnClose, TRUE);
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnClose), TRUE);
}

void LoadDlg::SetStoppable(bool stoppable) {
  stoppable_ = stoppable;
  SetWindowTextW(m_btnClose, stoppable ? L"停止" : L"关闭");
  EnableWindow(m_btnClose, stoppable ? TRUE : FALSE);
}

void LoadDlg::OnClosePressed() {
  if (!stoppable_) {
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return;
  }
  // A stop loses the work done so far: asked first, "否" the default. During a large
  // file the question says that the stop comes only once that file is copied.
  std::wstring question = L"确定要停止么？";
  {
    std::lock_guard<std::mutex> hold(stopNoteLock_);
    if (!stopNote_.empty()) question += L"\n\n正在拷贝的" + stopNote_ + L"要拷贝完后才会停止。";
  }
  if (ShowMessage(question, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes || !stoppable_)
    return;
  stopAsked_ = true;
  SetStoppable(false);
}

bool LoadDlg::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    if (IsWindowEnabled(m_btnClose)) OnClosePressed();
    return true;
  }
  return KXDialog::PreTranslateMessage(msg);
}

bool LoadDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_LOAD_CLOSE && code == BN_CLICKED) {
    OnClosePressed();
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

bool LoadDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_LOAD_PROGRESS:
      SendMessageW(m_progress, PBM_SETPOS, wParam, 0);
      taskbar_.Set(static_cast<int>(wParam));
      return true;
    case WM_LOAD_STATUS:
      ShowNextStatus();
      return true;
    case WM_LOAD_ENABLE_CLOSE:
      EnableClose();
      if (wParam != 1) taskbar_.Failed();
      return true;
    case WM_LOAD_STOPPABLE:
      // A late permission must not take back a "关闭" the work's end has enabled.
      if (worker_.Running() && !stopAsked_) SetStoppable(wParam == 1);
      return true;
    case WM_SYSCOMMAND:
      // Alt+F4 and the system menu would end the modal run while the worker still uses
      // the caller's record; the worker's own WM_CLOSE is not a system command.
      if ((wParam & 0xFFF0) == SC_CLOSE && worker_.Running()) {
        result = 0;
        return true;
      }
      return false;
    case WM_NCDESTROY:
      window_.store(nullptr);
      taskbar_.Clear();
      return false;
    default:
      return KXDialog::OnMessage(message, wParam, lParam, result);
  }
}

void LoadDlg::ShowNextStatus() {
  {
    std::lock_guard<std::mutex> hold(statusLock_);
    if (!pendingStatus_.empty()) {
      m_strStatus = std::move(pendingStatus_.front());
      pendingStatus_.pop_front();
    }
  }
  // A static control shows a line break as a box glyph: the first line goes on the
  // status line, the others side by side on the one below.
  const size_t lineEnd = m_strStatus.find(L'\n');
  std::wstring more = lineEnd == std::wstring::npos ? std::wstring() : m_strStatus.substr(lineEnd + 1);
  for (wchar_t& c : more)
    if (c == L'\n' || c == L'\r') c = L' ';
  SetWindowTextW(m_status, m_strStatus.substr(0, lineEnd).c_str());
  SetWindowTextW(statusMore_, more.c_str());
}

void LoadDlg::HandOverStatus(const std::wstring& text) {
  std::lock_guard<std::mutex> hold(statusLock_);
  pendingStatus_.push_back(text);
  // Posted under the lock, so queue order and message order are the same.
  if (!Post(WM_LOAD_STATUS)) pendingStatus_.pop_back();
}
