// One running copy of the program: a named object claimed for the process's life, and
// the main window that a second start brings to the front.
#include "app/one_copy_win.h"

namespace {

const wchar_t kCopyName[] = L"Global\\Rigmate.OneCopy";
const wchar_t kMainWindowMark[] = L"Rigmate.MainWindow";

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() || !GetPropW(window, kMainWindowMark)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

bool ClaimOneCopy() {
  // Never closed: the claim ends with the process, however it ends.
  HANDLE claim = CreateMutexW(nullptr, FALSE, kCopyName);
  const DWORD error = GetLastError();
  if (claim) return error != ERROR_ALREADY_EXISTS;
  // Made by a copy of another user, whose object this one may not open.
  return error != ERROR_ACCESS_DENIED;
}

void MarkMainWindow(HWND window, bool mark) {
  if (mark) SetPropW(window, kMainWindowMark, reinterpret_cast<HANDLE>(1));
  else RemovePropW(window, kMainWindowMark);
}

bool BringOtherCopyForward(DWORD waitMs) {
  const DWORD start = GetTickCount();
  HWND found = nullptr;
  for (;;) {
    EnumWindows(&FindMarked, reinterpret_cast<LPARAM>(&found));
    if (found) break;
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(100);
  }
  if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
  SetForegroundWindow(GetLastActivePopup(found));
  return true;
}
