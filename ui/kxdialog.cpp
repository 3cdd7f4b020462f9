// KXDialog: keys of pages and dialogs, and the one-time first-show hook.
#include "ui/kxdialog.h"

#include "ui/tab_keys.h"

namespace {

bool IsEnterOrEscape(const MSG& msg) {
  return msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN);
}

// The control (or the combo box around an edit field) whose drop-down list is open.
bool DropDownOpen(HWND focus) {
  for (HWND w = focus; w; w = GetParent(w)) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (lstrcmpiW(cls, L"ComboBox") == 0) return SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (GetWindowLongPtrW(w, GWL_STYLE) & WS_POPUP || !(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

// A control that wants this key itself, as it tells the dialog manager.
bool WantsKey(HWND focus, MSG& msg) {
  LRESULT code = SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  return (code & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)) != 0 || DropDownOpen(focus);
}

bool IsPushButton(HWND control) {
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  if (lstrcmpiW(cls, L"Button") != 0) return false;
  LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

bool KXDialog::PreTranslateMessage(MSG& msg) {
  if (!IsModal()) {
    if (IsEnterOrEscape(msg)) return PageEnterOrEscape(msg);
    // Ctrl+Tab goes on up to the window holding the tab strip.
    if (tab_keys::IsPageSwitch(msg)) return false;
    if (hwnd() && tab_keys::LeavePageKey(msg, hwnd())) return true;
  } else if (ModalEnterTaken(msg)) {
    return true;
  }
  return ui::Dialog::PreTranslateMessage(msg);
}

// Enter on a control of a modal dialog that the dialog acts on itself (a result list),
// before the dialog manager makes it the default button's.
bool KXDialog::ModalEnterTaken(MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = msg.hwnd;
  if (!focus || !IsChild(hwnd(), focus) || WantsKey(focus, msg) || IsPushButton(focus)) return false;
  return OnEnterKey(focus);
}

bool KXDialog::PageEnterOrEscape(MSG& msg) {
  // The key goes to the window that has the focus.
  HWND focus = msg.hwnd;
  if (!focus || !IsChild(hwnd(), focus)) return true;
  if (WantsKey(focus, msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
  }
  if (msg.wParam != VK_RETURN) return true;
  if (IsPushButton(focus) && IsWindowEnabled(focus)) {
    SendMessageW(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
    return true;
  }
  OnEnterKey(focus);
  return true;
}

// Runs before the dialog manager's own handling of WM_SHOWWINDOW, which for a dialog
// only saves the focus when it is hidden: nothing the hook could see.
void KXDialog::OnShowWindow(bool, int) {
  if (!m_bFirstShow) return;
  m_bFirstShow = false;
  OnFirstShow();
}
