// KXDialog: Enter/Esc filter and the one-time first-show hook.
#include "app/kxdialog.h"

bool KXDialog::PreTranslateMessage(MSG& msg) {
  return msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN);
}

void KXDialog::OnShowWindow(bool, int) {
  if (!m_bFirstShow) return;
  m_bFirstShow = false;
  OnFirstShow();
}
