#include <thread>

#include "update/Clock.h"

namespace drivesmith {

std::chrono::milliseconds SteadyClock::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::Sleep(std::chrono::milliseconds duration) {
  if (duration > std::chrono::milliseconds::zero()) {
    std::this_thread::sleep_for(duration);
  }
}

}  // namespace drivesmith
