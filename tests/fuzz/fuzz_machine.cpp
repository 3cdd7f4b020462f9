// The machine the fuzz targets run on: the tests' fake, whose thread code page holds
// double-byte characters that end in the byte of "|", as code page 936 does.
#include "platform/disk.h"
#include "platform/imaging.h"
#include "platform/prompts.h"
#include "tests/unit/cp936_seam.h"

namespace {
Cp936Seam& Machine() {
  static Cp936Seam machine;
  return machine;
}
}  // namespace

Seam& DefaultSeam() { return Machine(); }
Imaging& DefaultImaging() { return Machine(); }
Prompts& DefaultPrompts() { return Machine(); }

CDisk& TheDisk() {
  static CDisk model(false);
  return model;
}
