// The keyboard between a tab strip and the pages it holds (child dialogs of the strip):
// Tab and Shift+Tab from the strip into the shown page and out of it again at its ends,
// Ctrl+Tab and Ctrl+Shift+Tab to the next or previous page from anywhere in the window.
#pragma once

#include <windows.h>

namespace tab_keys {

// True when the message is a Tab key press with Ctrl held (a page switch).
bool IsPageSwitch(const MSG& msg);
// Keys seen by the window that holds the strip: a page switch from anywhere, Tab or
// Shift+Tab on the strip itself into the shown page. True when the key was taken.
bool StripKey(const MSG& msg, HWND strip);
// Tab or Shift+Tab inside a page: past its last (before its first) control the focus
// goes back to the strip. True when the key was taken; otherwise the page's dialog
// manager moves the focus inside the page as usual.
bool LeavePageKey(const MSG& msg, HWND page);
// Gives the focus to the page's first (or last) control; false when it has none.
bool FocusPage(HWND page, bool last);

}  // namespace tab_keys
