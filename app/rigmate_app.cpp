// Start-up: the disk model is built during static initialisation, then the main window runs.
#include "app/rigmate_app.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/rigmate_dlg.h"

bool CRigmateApp::InitInstance() {
  // The window's thread is a single-threaded apartment for the whole run: the shell may
  // hand what ShellExecute opens (a tutorial video, the manual) to a handler it reaches
  // through COM, and the file dialogs host the shell's views.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  {
    CRigmateDlg dialog;
    dialog.TellMissingDataFolder();
    dialog.DoModal(nullptr);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return false;
}
