// Waiting for a thread while answering sent messages, and dismissing its message boxes.
#include "ui/thread_wait.h"

namespace ui {

void WaitAnsweringSentMessages(HANDLE thread, const std::function<void()>& onIdle, DWORD tick) {
  if (!thread) return;
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, onIdle ? tick : INFINITE, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0 + 1) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);   // runs the sent ones
    } else if (woken == WAIT_TIMEOUT) {
      onIdle();
    } else {
      return;   // ended, or the handle is unusable: nothing left to wait for
    }
  }
}

namespace {

BOOL CALLBACK DismissIfBox(HWND window, LPARAM) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  for (int id : {IDNO, IDCANCEL, IDOK}) {
    HWND button = GetDlgItem(window, id);
    if (!button) continue;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    break;
  }
  return TRUE;
}

}  // namespace

void DismissMessageBoxesOf(DWORD threadId) { EnumThreadWindows(threadId, DismissIfBox, 0); }

}  // namespace ui
