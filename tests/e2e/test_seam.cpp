// The seam of e2e_tests.exe itself: the fakes. The program under test runs in its own
// process with its own seam; in here only the tests that read the simulated machine
// through the disk model use the platform code, each with a seam of its own.
#include "tests/fakes/fake_seam.h"

namespace {
FakeSeam& Fake() {
  static FakeSeam seam;
  return seam;
}
}  // namespace

Seam& DefaultSeam() { return Fake(); }
Imaging& DefaultImaging() { return Fake(); }
Prompts& DefaultPrompts() { return Fake(); }
