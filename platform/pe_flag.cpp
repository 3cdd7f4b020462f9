// The PE flag, shared by the main window, the Ghost dispatcher and the pages.
#include "platform/pe_flag.h"

#include "platform/seam.h"
#include "platform/system.h"

int g_bInPE = 0;

bool InsidePE() {
  constexpr uint32_t kKeyRead = 0x20019;   // KEY_READ
  return IsProcessRunning(L"PECMD.EXE") ||
         TheSeam().RegistryKeyExists(L"SYSTEM\\CurrentControlSet\\Control\\MiniNT", kKeyRead);
}
