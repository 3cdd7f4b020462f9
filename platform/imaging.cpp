// The process-wide imaging: the build's default unless a test or the log has put another in place.
#include "platform/imaging.h"

#include <atomic>

namespace {
std::atomic<Imaging*> g_override{nullptr};
}

Imaging& TheImaging() {
  Imaging* imaging = g_override.load();
  return imaging ? *imaging : DefaultImaging();
}

void SetImaging(Imaging* imaging) { g_override.store(imaging); }
