// The text of a window (an edit, a combo's selected entry), read on the window's thread.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}
