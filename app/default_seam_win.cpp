// The seam of the program: the real Win32 one.
#include "platform/seam_win.h"

Seam& DefaultSeam() {
  static Win32Seam seam;
  return seam;
}
