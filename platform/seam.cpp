// The process-wide seam: the build's default unless a test has put another in place.
#include "platform/seam.h"

#include <atomic>

namespace {
std::atomic<Seam*> g_override{nullptr};
}

Seam& TheSeam() {
  Seam* seam = g_override.load();
  return seam ? *seam : DefaultSeam();
}

void SetSeam(Seam* seam) { g_override.store(seam); }
