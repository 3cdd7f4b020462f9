// A bare dialog program, the yardstick of the start-up benchmark: one modal dialog of
// the main window's size and font, from a template built in memory, and nothing else.
#include <windows.h>

#include <string>
#include <vector>

namespace {

void Append(std::vector<WORD>& out, const std::wstring& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // DLGTEMPLATE: style, extended style, no controls, position and size in dialog
  // units, no menu, the default class, the caption, then the font.
  std::vector<WORD> words;
  DWORD style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                WS_MINIMIZEBOX;
  words.push_back(LOWORD(style));
  words.push_back(HIWORD(style));
  words.push_back(LOWORD(WS_EX_APPWINDOW));
  words.push_back(HIWORD(WS_EX_APPWINDOW));
  words.push_back(0);
  for (WORD v : {0, 0, 348, 259}) words.push_back(v);
  words.push_back(0);
  words.push_back(0);
  Append(words, L"Bare dialog");
  words.push_back(9);
  Append(words, L"宋体");
  DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
                          Procedure, 0);
  return 0;
}
