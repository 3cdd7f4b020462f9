// The functions a program imports from version.dll, exported by planted.dll under their
// own names, so that a program importing them would load it in place of the system's.
// No <windows.h> here: it declares them as imports.
extern "C" {
__declspec(dllexport) unsigned long __stdcall GetFileVersionInfoSizeW(const wchar_t*, unsigned long*) { return 0; }
__declspec(dllexport) int __stdcall GetFileVersionInfoW(const wchar_t*, unsigned long, unsigned long, void*) {
  return 0;
}
__declspec(dllexport) int __stdcall VerQueryValueW(const void*, const wchar_t*, void**, unsigned*) { return 0; }
}
