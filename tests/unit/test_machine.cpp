// The machine of the unit tests when a test installs none: an empty FakeSeam.
#include "tests/fakes/fake_seam.h"

Seam& DefaultSeam() {
  static FakeSeam machine;
  return machine;
}
