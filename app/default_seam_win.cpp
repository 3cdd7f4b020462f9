// The seam, the imaging and the prompts of the program: the real Win32 ones.
#include "platform/imaging.h"
#include "platform/prompts.h"
#include "platform/seam_win.h"

Seam& DefaultSeam() {
  static Win32Seam seam;
  return seam;
}

Imaging& DefaultImaging() { return WindowsImaging(); }

Prompts& DefaultPrompts() { return WindowsPrompts(); }
