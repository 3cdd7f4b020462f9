// The switch for WOW64 file-system redirection around starts of Windows' own programs.
#include "deploy/wow64_redirection.h"

#include "platform/seam.h"

void Wow64FsRedirection::Disable() {
  if (disabled_) return;
  disabled_ = TheSeam().DisableFsRedirection(&saved_);
}

void Wow64FsRedirection::Revert() {
  if (!disabled_) return;
  TheSeam().RevertFsRedirection(saved_);
  disabled_ = false;
  saved_ = nullptr;
}

void Wow64FsRedirection::Release() { Revert(); }
