// KXDialog: Enter/Esc filter and the one-time first-show hook.
#include "ui/kxdialog.h"

bool KXDialog::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) return true;
  return ui::Dialog::PreTranslateMessage(msg);
}

// Runs before the dialog manager's own handling of WM_SHOWWINDOW, which for a dialog
// only saves the focus when it is hidden: nothing the hook could see.
void KXDialog::OnShowWindow(bool, int) {
  if (!m_bFirstShow) return;
  m_bFirstShow = false;
  OnFirstShow();
}
