// The machine the fuzz targets run on: the tests' fake, whose thread code page holds
// double-byte characters that end in the byte of "|", as code page 936 does.
#include "platform/disk.h"
#include "tests/unit/cp936_seam.h"

Seam& DefaultSeam() {
  static Cp936Seam machine;
  return machine;
}

CDisk& TheDisk() {
  static CDisk model(false);
  return model;
}
