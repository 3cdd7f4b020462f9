// The thin dialog framework: template dialogs, typed handlers, our own modal loop.
#include "ui/dialog.h"

#include <exception>

namespace ui {
namespace {

const wchar_t kSelfProperty[] = L"Rigmate.Dialog";

// Messages whose dialog-procedure result is the value itself, not DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
    case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

Dialog::~Dialog() {
  if (hwnd_) {
    RemovePropW(hwnd_, kSelfProperty);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

Dialog* Dialog::FromHandle(HWND window) {
  return window ? static_cast<Dialog*>(GetPropW(window, kSelfProperty)) : nullptr;
}

bool Dialog::Create(HWND parent) {
  modal_ = false;
  HWND created = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                    parent, Procedure, reinterpret_cast<LPARAM>(this));
  return created != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (modal_) {
    // Already open (a second click that reached its button): never a second modal run
    // over the same object.
    if (hwnd_) SetForegroundWindow(hwnd_);
    return -1;
  }
  modal_ = true;
  ending_ = false;
  result_ = -1;
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  owner_ = ownerWasEnabled ? owner : nullptr;
  HWND created = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                    owner, Procedure, reinterpret_cast<LPARAM>(this));
  if (!created) {
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    modal_ = false;
    return -1;
  }
  if (!ending_ && !IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);

  MSG msg;
  while (!ending_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) { PostQuitMessage(static_cast<int>(msg.wParam)); break; }
    if (got < 0) break;
    if (PreTranslateChain(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  // Give the activation back to the owner before our window goes away.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (owner && GetActiveWindow() == hwnd_) SetActiveWindow(owner);
  if (hwnd_) DestroyWindow(hwnd_);
  owner_ = nullptr;
  modal_ = false;
  return result_;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ending_ = true;
  // The owner is enabled before this window hides, so that Windows gives the activation
  // back to it instead of to another program's window.
  if (owner_) EnableWindow(owner_, TRUE);
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  // Wake the modal loop if it waits in GetMessage.
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

bool Dialog::PreTranslateChain(MSG& msg) {
  for (HWND w = msg.hwnd; w; w = GetParent(w)) {
    Dialog* dialog = FromHandle(w);
    if (dialog && dialog->PreTranslateMessage(msg)) return true;
    if (dialog && dialog->modal_) break;  // never walk past the modal dialog to its owner
    if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

// Opens over the middle of the window it belongs to (the main window, or the dialog
// above it), kept inside that monitor's work area.
void Dialog::CentreOnOwner() {
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (!owner || !IsWindowVisible(owner) || IsIconic(owner)) return;
  RECT ownerRect = {}, own = {};
  GetWindowRect(owner, &ownerRect);
  GetWindowRect(hwnd_, &own);
  int width = own.right - own.left, height = own.bottom - own.top;
  int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
  int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
  }
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Dialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDOK) { OnOK(); return true; }
  if (id == IDCANCEL) { OnCancel(); return true; }
  return false;
}

bool Dialog::OnNotify(const NMHDR&, LRESULT&) { return false; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
void Dialog::OnShowWindow(bool, int) {}
bool Dialog::PreTranslateMessage(MSG& msg) {
  // Keyboard and mouse input for this dialog or a control inside it goes through the
  // dialog manager of this dialog: Tab, arrows, mnemonics, Enter and Esc of its own
  // controls. A page does this for itself, so keys typed in it never reach the dialog
  // manager of the main window.
  bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
               (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST);
  if (!input || !hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = window;
    SetPropW(window, kSelfProperty, self);
  } else {
    self = FromHandle(window);
  }
  if (!self) return FALSE;
  // Exceptions must never unwind through user32: report and carry on.
  try {
    return self->Dispatch(message, wParam, lParam);
  } catch (const std::exception& e) {
    OutputDebugStringA(e.what());
  } catch (...) {
    OutputDebugStringW(L"Rigmate: unexpected exception in a dialog procedure");
  }
  return FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      bool focusByManager = OnInitDialog();
      if (modal_) CentreOnOwner();
      // A page (a child dialog) never takes the focus as it is made: it may be made
      // hidden while the user works elsewhere in the window.
      if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD) return FALSE;
      return focusByManager ? TRUE : FALSE;
    }
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_SHOWWINDOW:
      OnShowWindow(wParam != 0, static_cast<int>(lParam));
      return FALSE;
    case WM_NCDESTROY: {
      LRESULT ignored = 0;
      OnMessage(message, wParam, lParam, ignored);
      RemovePropW(hwnd_, kSelfProperty);
      hwnd_ = nullptr;
      return FALSE;
    }
    default: {
      LRESULT result = 0;
      if (!OnMessage(message, wParam, lParam, result)) return FALSE;
      if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

}  // namespace ui
