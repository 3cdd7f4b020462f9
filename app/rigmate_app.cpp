// Start-up: the disk model is built during static initialisation, then the main window runs.
#include "app/rigmate_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/rigmate_dlg.h"
#include "deploy/staging_record.h"
#include "platform/pe_flag.h"

bool CRigmateApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  {
    CRigmateDlg dialog;
    // What a staging of an earlier run held off or recorded is settled once its job ran.
    if (!g_bInPE) SettleEarlierStaging();
    dialog.TellMissingDataFolder();
    dialog.DoModal(nullptr);
  }
  return false;
}
