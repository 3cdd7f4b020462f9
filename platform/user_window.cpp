// The window the user works in: down from the main window through the modal windows it owns.
#include "platform/user_window.h"

namespace {

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK TakeOwnedEnabled(HWND window, LPARAM data) {
  OwnedSearch* search = reinterpret_cast<OwnedSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  search->found = window;  // the topmost one: windows come in Z order
  return FALSE;
}

// The visible, enabled window of this process that the owner owns, topmost first.
HWND OwnedEnabledWindow(HWND owner) {
  OwnedSearch search = {owner, nullptr};
  EnumWindows(TakeOwnedEnabled, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

HWND UserWindow(HWND mainWindow) {
  HWND current = mainWindow;
  // A modal window disables its owner; the window in charge is the enabled one it owns.
  for (int depth = 0; current && !IsWindowEnabled(current) && depth < 16; ++depth) {
    HWND owned = OwnedEnabledWindow(current);
    if (!owned) break;
    current = owned;
  }
  return current;
}
