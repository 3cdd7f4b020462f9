// Entry point of Rigmate.exe.
#include <windows.h>

#include "app/rigmate_app.h"

namespace {
CRigmateApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  theApp.InitInstance();
  return 0;
}
