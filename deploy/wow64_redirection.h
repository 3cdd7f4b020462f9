// The switch for WOW64 file-system redirection around starts of Windows' own programs.
#pragma once

// Started from this 32-bit program on 64-bit Windows, "bcdedit.exe" and "bcdboot.exe"
// would be looked for in SysWOW64, where they do not exist. Users call Disable() before
// such a start and Revert() after it has ended, on the same thread, and Release() when
// done (also after an error). On Windows without the switch (32-bit Windows) both do
// nothing. The Kernel32 functions are reached through the seam.
class Wow64FsRedirection {
 public:
  Wow64FsRedirection() = default;
  ~Wow64FsRedirection() { Release(); }
  Wow64FsRedirection(const Wow64FsRedirection&) = delete;
  Wow64FsRedirection& operator=(const Wow64FsRedirection&) = delete;

  void Disable();
  // Puts back the state that Disable() found; does nothing unless Disable() worked.
  void Revert();
  // Reverts a redirection still disabled, so that no road leaves the thread without it.
  void Release();

 private:
  void* saved_ = nullptr;     // the previous state, opaque
  bool disabled_ = false;
};
