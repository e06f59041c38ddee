#include "platform/windows/Win32Clock.h"

#include <windows.h>

#include "platform/windows/Win32MessagePump.h"

namespace drivesmith {

std::chrono::milliseconds Win32Clock::Now() {
  const std::uint32_t tick = GetTickCount();
  if (started_) {
    // Unsigned subtraction: right also when the count has wrapped meanwhile.
    elapsed_ += static_cast<std::uint32_t>(tick - lastTick_);
  }
  started_ = true;
  lastTick_ = tick;
  return std::chrono::milliseconds(elapsed_);
}

void Win32Clock::Sleep(std::chrono::milliseconds duration) {
  if (duration <= std::chrono::milliseconds::zero()) {
    return;
  }
  WaitServingNonInputMessages(duration);
}

}  // namespace drivesmith
