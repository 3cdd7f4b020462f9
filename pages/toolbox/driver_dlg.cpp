// The drivers and runtimes page's window: each click hands its installer to the actions.
#include "pages/toolbox/driver_dlg.h"

#include "pages/toolbox/driver_page_actions.h"

bool DriverDlg::OnCommand(int id, int code, HWND control) {
  const wchar_t* tail = driver_page::TailOf(id);
  if (code == BN_CLICKED && tail) {
    driver_page::StartInstaller(tail);
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}
