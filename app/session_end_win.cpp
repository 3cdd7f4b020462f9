// The reason for refusing the end of the session, through user32's functions of Vista
// and later, looked up at run time.
#include "app/session_end_win.h"

namespace {

template <typename Function>
Function User32Function(const char* name) {
  // Looked up, not imported: a missing import would stop the program on Windows XP.
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

void SetSessionEndReason(HWND window, const std::wstring& reason) {
  using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
  using Destroy = BOOL(WINAPI*)(HWND);
  static const Create create = User32Function<Create>("ShutdownBlockReasonCreate");
  static const Destroy destroy = User32Function<Destroy>("ShutdownBlockReasonDestroy");
  if (reason.empty()) {
    if (destroy) destroy(window);
  } else if (create) {
    create(window, reason.c_str());
  }
}
