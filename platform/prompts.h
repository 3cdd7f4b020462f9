// Prompts: the message boxes and questions the program shows, behind an interface of
// their own, apart from the rest of the machine (platform/seam.h).
//
// The product links the Win32 prompts (platform/prompts_win.cpp); the fake machine of
// the tests answers them from a script (tests/fakes). Layers that change how a box is
// shown or answered (the log, the unattended job) derive from ForwardingPrompts.
//
// This header is portable: no <windows.h>, only standard types.
#pragma once

#include <string>
#include <type_traits>

class Prompts {
 public:
  virtual ~Prompts() = default;

  // MessageBoxExW owned by the window the user is in (the main window or the modal
  // dialog over it), default language: the button pressed.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) = 0;
};

// Prompts that hand every call to other ones. Every method of Prompts is forwarded
// here: the assertion below stops the build when one is not.
class ForwardingPrompts : public Prompts {
 public:
  explicit ForwardingPrompts(Prompts& inner) : inner_(inner) {}

  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override {
    return inner_.ShowMessageBox(text, caption, style);
  }

 private:
  Prompts& inner_;
};
static_assert(!std::is_abstract<ForwardingPrompts>::value, "ForwardingPrompts must forward every Prompts method");

// The prompts in use. Until SetPrompts is called they are the build's default (the
// Win32 ones in the product and the end-to-end build).
Prompts& ThePrompts();
// Replaces the prompts in use (tests, the log, the unattended job); nullptr goes back
// to the default.
void SetPrompts(Prompts* prompts);
// Defined once per program: the prompts used when none were set.
Prompts& DefaultPrompts();
