// Tab, Shift+Tab, Ctrl+Tab and Ctrl+Shift+Tab between a tab strip and its pages.
#include "ui/tab_keys.h"

#include <commctrl.h>

namespace tab_keys {
namespace {

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool IsTabPress(const MSG& msg) { return msg.message == WM_KEYDOWN && msg.wParam == VK_TAB; }

// The strip's page that is shown, or nullptr.
HWND ShownPage(HWND strip) {
  for (HWND child = GetWindow(strip, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (IsWindowVisible(child) && lstrcmpW(cls, L"#32770") == 0) return child;
  }
  return nullptr;
}

// The child of the page that holds the window (the combo box of its edit field).
HWND ControlOf(HWND page, HWND window) {
  while (window && GetParent(window) != page) window = GetParent(window);
  return window;
}

// Position among the page's children: creation order, which is the tab order.
int OrderOf(HWND control) {
  int order = 0;
  for (HWND w = GetWindow(control, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) ++order;
  return order;
}

bool IsRadio(HWND control) {
  LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  return lstrcmpiW(cls, L"Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// A radio group is entered at its ticked button, as the dialog manager does.
HWND EntryOf(HWND page, HWND control) {
  if (!IsRadio(control) || SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) return control;
  for (HWND item = GetNextDlgGroupItem(page, control, FALSE); item && item != control;
       item = GetNextDlgGroupItem(page, item, FALSE))
    if (IsRadio(item) && SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) return item;
  return control;
}

// The page's first (or last) control that Tab stops at. Walked here: the dialog
// manager's GetNextDlgTabItem without a starting control is not the same everywhere.
HWND EdgeTabStop(HWND page, bool last) {
  HWND child = GetWindow(page, GW_CHILD);
  if (child && last) child = GetWindow(child, GW_HWNDLAST);
  for (; child; child = GetWindow(child, last ? GW_HWNDPREV : GW_HWNDNEXT)) {
    LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) return child;
  }
  return nullptr;
}

void SwitchPage(HWND strip, bool back) {
  int count = static_cast<int>(SendMessageW(strip, TCM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return;
  int current = static_cast<int>(SendMessageW(strip, TCM_GETCURSEL, 0, 0));
  int next = ((current < 0 ? 0 : current) + (back ? count - 1 : 1)) % count;
  HWND focus = GetFocus();
  bool focusInPage = focus && IsChild(strip, focus);
  SendMessageW(strip, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
  // As a click on the tab does: the owner hears of the change and shows the page.
  NMHDR header = {strip, static_cast<UINT_PTR>(GetDlgCtrlID(strip)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(GetParent(strip), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  // The focus never stays in a page that was hidden.
  if (focusInPage) {
    HWND page = ShownPage(strip);
    if (!page || !FocusPage(page, false)) SetFocus(strip);
  }
}

}  // namespace

bool IsPageSwitch(const MSG& msg) { return IsTabPress(msg) && KeyDown(VK_CONTROL); }

bool FocusPage(HWND page, bool last) {
  HWND control = EdgeTabStop(page, last);
  if (!control) return false;
  // Through the page's dialog manager, which also selects an edit field's text.
  SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(EntryOf(page, control)), TRUE);
  return true;
}

bool StripKey(const MSG& msg, HWND strip) {
  if (!strip || !IsTabPress(msg)) return false;
  bool back = KeyDown(VK_SHIFT);
  if (KeyDown(VK_CONTROL)) {
    SwitchPage(strip, back);
    return true;
  }
  if (msg.hwnd != strip) return false;
  HWND page = ShownPage(strip);
  return page && FocusPage(page, back);
}

bool LeavePageKey(const MSG& msg, HWND page) {
  if (!IsTabPress(msg) || KeyDown(VK_CONTROL)) return false;
  HWND control = ControlOf(page, msg.hwnd);
  if (!control) return false;
  bool back = KeyDown(VK_SHIFT);
  HWND next = GetNextDlgTabItem(page, control, back ? TRUE : FALSE);
  // The dialog manager wraps around at the ends: that step leaves the page instead.
  bool wraps = !next || next == control || (OrderOf(next) > OrderOf(control)) == back;
  if (!wraps) return false;
  SetFocus(GetParent(page));
  return true;
}

}  // namespace tab_keys
