// planted.dll and planted.exe: what another program could leave beside Rigmate.exe under
// a system name (version.dll, uxtheme.dll, attrib.exe…). Loaded or started, it leaves an
// empty file named after itself with ".ran" appended (version.dll.ran), nothing else.
#include <windows.h>

namespace {

void Mark(HMODULE self) {
  wchar_t path[MAX_PATH + 8] = {};
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(path, L".ran");
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

#ifdef PLANTED_DLL
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Mark(self);
  return TRUE;
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Mark(nullptr);
  return 0;
}
#endif
