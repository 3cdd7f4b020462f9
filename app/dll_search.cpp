// The process's DLL search, limited at start-up to the system folder.
#include "app/dll_search.h"

#include <windows.h>

void LimitDllSearch() {
  // Looked up, not imported: Windows 7 without KB2533623 lacks it, and a missing import
  // would stop the program from starting at all.
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  auto setDefault = reinterpret_cast<SetDefaultDirectories>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The current folder leaves the search in any case (where the above is missing too).
  SetDllDirectoryW(L"");
}
