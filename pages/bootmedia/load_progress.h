// The boot disk workers' progress, posted to the worker progress dialog.
#pragma once

#include "ui/load_dlg.h"
#include "pages/bootmedia/boot_disk_actions.h"

class LoadProgress : public boot_disk::Progress {
 public:
  explicit LoadProgress(LoadDlg* dialog) : dialog_(dialog) {}
  void Position(int percent) override { dialog_->Post(WM_LOAD_PROGRESS, static_cast<WPARAM>(percent)); }
  void Status(const std::wstring& text) override { SetStatusText(text, dialog_); }
  void Pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

 private:
  LoadDlg* dialog_;
};

// The text of a window (a combo's selected entry, an edit), read on its own thread.
inline std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}
