// Entry point of Rigmate.exe.
#include <windows.h>

#include "app/program_start_win.h"
#include "app/rigmate_app.h"

namespace {
CRigmateApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int exitCode = 0;
  if (RunBeforeWindow(&exitCode)) return exitCode;
  theApp.InitInstance();
  return 0;
}
