// Entry point of Rigmate.exe.
#include <windows.h>

#include "app/dll_search.h"
#include "app/program_start_win.h"
#include "app/rigmate_app.h"

namespace {
CRigmateApp theApp;
}

// The run-time library's entry point of a GUI program, which runs the static
// initialisation and then wWinMain.
extern "C" int WinMainCRTStartup();

// The program's entry point (named to the linker): the DLL search is limited before
// anything else runs, the static initialisation included, which already reads the disks.
extern "C" int RigmateEntry() {
  LimitDllSearch();
  return WinMainCRTStartup();
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int exitCode = 0;
  if (RunBeforeWindow(&exitCode)) return exitCode;
  theApp.InitInstance();
  return 0;
}
