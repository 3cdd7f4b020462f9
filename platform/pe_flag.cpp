// The PE flag, shared by the main window, the Ghost dispatcher and the pages.
#include "platform/pe_flag.h"

#include "platform/seam.h"
#include "platform/system.h"

int g_bInPE = 0;

bool InsidePE() {
  return IsProcessRunning(L"PECMD.EXE") ||
         TheSeam().RegistryKeyExists(L"SYSTEM\\CurrentControlSet\\Control\\MiniNT", kKeyRead);
}
