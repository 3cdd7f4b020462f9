// Start-up: the disk model is built during static initialisation, then the main window runs.
#include "app/rigmate_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/rigmate_dlg.h"

bool CRigmateApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  {
    CRigmateDlg dialog;
    dialog.TellMissingDataFolder();
    dialog.DoModal(nullptr);
  }
  return false;
}
