// The text of a window and of a list box entry, read whole whatever their length.
#include "ui/controls.h"

#include <utility>

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  // The length may overstate the text (mixed code pages); the copy says what it took.
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

bool ListBox::Text(int index, std::wstring* text) const {
  const int length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return false;
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  const int copied = Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buffer[0]));
  if (copied == LB_ERR) return false;
  buffer.resize(static_cast<size_t>(copied));
  *text = std::move(buffer);
  return true;
}
