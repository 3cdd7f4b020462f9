// The quiet progress's wait.
#include "platform/progress.h"

#include <chrono>
#include <thread>

void QuietProgress::Pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
