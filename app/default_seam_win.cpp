// The seam and the imaging of the program: the real Win32 ones.
#include "platform/imaging.h"
#include "platform/seam_win.h"

Seam& DefaultSeam() {
  static Win32Seam seam;
  return seam;
}

Imaging& DefaultImaging() { return WindowsImaging(); }
