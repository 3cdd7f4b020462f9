// The Win32 prompts: message boxes owned by the window the user is in.
#include <windows.h>

#include "platform/prompts.h"
#include "platform/seam.h"
#include "platform/seam_win.h"
#include "platform/user_window.h"

namespace {

class Win32Prompts final : public Prompts {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override {
    HWND main = static_cast<HWND>(TheSeam().MainWindow());
    return MessageBoxExW(UserWindow(main), text.c_str(), caption.c_str(), style, 0);
  }
};

}  // namespace

Prompts& WindowsPrompts() {
  static Win32Prompts prompts;
  return prompts;
}
