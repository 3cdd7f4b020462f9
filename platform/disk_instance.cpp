// The program's one disk model, built during static initialisation, before the application runs.
#include "platform/disk.h"

namespace {
CDisk g_disk;
}

CDisk& TheDisk() { return g_disk; }
