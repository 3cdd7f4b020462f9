// LoadDlg: the modal progress window behind which a worker thread runs a long operation.
//
// Workers run through RunWork (or RunBehindProgress): a Work that reports through a
// Progress, and whose result closes the window (success) or enables "关闭" with the last
// status kept (failure). The work starts on a thread of its own when the window is first
// shown and drives the window only by posted messages; the run returns only once that
// thread has ended, so a record in the caller's stack frame outlives it.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "platform/progress.h"
#include "ui/kxdialog.h"
#include "ui/taskbar_progress.h"
#include "ui/worker_thread.h"

constexpr UINT WM_LOAD_PROGRESS = WM_USER + 2;      // wParam: position 0..100
constexpr UINT WM_LOAD_STATUS = WM_USER + 3;        // the next status text handed over
constexpr UINT WM_LOAD_ENABLE_CLOSE = WM_USER + 4;  // the worker ended: "关闭" may be used; wParam 1: it succeeded
constexpr UINT WM_LOAD_STOPPABLE = WM_APP + 20;     // wParam 1: "关闭" reads "停止" and asks the work to stop

class LoadDlg : public KXDialog {
 public:
  LoadDlg();
  ~LoadDlg() override;

  // Runs the window until it is closed, then waits for the work's thread to end
  // (answering messages that it sends meanwhile) before returning. Without an owner, the
  // main window owns it. Without a work (a run of the window alone) "关闭" is enabled at
  // once. A dialog may be run again once its run has returned.
  INT_PTR DoModal(HWND owner = nullptr) override;

  // Runs the work on the window's worker thread and posts the close or the enabled
  // "关闭" from its result; returns that result. With keepResult even a success leaves
  // the window open on its last status until the user closes it.
  bool RunWork(const Work& work, HWND owner = nullptr, bool keepResult = false);

 protected:
  // Posts to the dialog window from any thread; false once the window is gone.
  bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnFirstShow() override;
  // Enter and Esc never end the run while the worker has "关闭" disabled; once it is
  // enabled they close the window as "关闭" does.
  bool PreTranslateMessage(MSG& msg) override;

 private:
  // Enables "关闭" and gives it the focus, so that Enter closes.
  void EnableClose();
  // "关闭" pressed (or Enter, Esc): closes, or while the work may be stopped asks to stop it.
  void OnClosePressed();
  void SetStoppable(bool stoppable);
  class PostedProgress;
  struct WorkRun;
  static void RunWorkEntry(WorkRun* run);
  // Worker side: hands a copy of the text over; the status line shows it when the posted
  // WM_LOAD_STATUS is handled (after everything posted before it).
  void HandOverStatus(const std::wstring& text);
  void ShowNextStatus();

  WorkRun* run_ = nullptr;   // the work of the current run; none outside RunWork

  HWND m_progress = nullptr;
  // The text on the status line: written and read on the window's thread only.
  std::wstring m_strStatus;
  HWND m_status = nullptr;
  HWND statusMore_ = nullptr;   // the status's lines after its first
  HWND m_btnClose = nullptr;

  // Texts handed over by the worker, in order, each taken by one WM_LOAD_STATUS.
  std::mutex statusLock_;
  std::deque<std::wstring> pendingStatus_;
  std::atomic<HWND> window_{nullptr};
  bool stoppable_ = false;              // the window's thread only
  std::atomic<bool> stopAsked_{false};  // the user asked the work to stop
  std::mutex stopNoteLock_;
  std::wstring stopNote_;               // under stopNoteLock_: what a stop waits for
  WorkerThread worker_;
  TaskbarProgress taskbar_;   // the same progress on the taskbar button
};

// The one way a page runs a long operation: behind a progress window of its own, owned
// by the window the user is in unless an owner is given. Returns the work's result.
bool RunBehindProgress(const Work& work, HWND owner = nullptr, bool keepResult = false);
