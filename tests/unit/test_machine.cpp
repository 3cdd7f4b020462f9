// What the unit tests run on when a test installs nothing: an empty FakeSeam, and a disk
// model built from it during static initialisation, as the program builds its own.
// Tests that need disks install their FakeSeam and call TheDisk().Refresh().
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"

namespace {
FakeSeam& Fake() {
  static FakeSeam machine;
  return machine;
}
}  // namespace

Seam& DefaultSeam() { return Fake(); }
Imaging& DefaultImaging() { return Fake(); }
Prompts& DefaultPrompts() { return Fake(); }

namespace {
CDisk g_testDisk;
}  // namespace

CDisk& TheDisk() { return g_testDisk; }
