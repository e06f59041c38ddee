#include "platform/windows/Win32Clock.h"

#include <windows.h>

#include "platform/windows/Win32MessagePump.h"

namespace drivesmith {

std::chrono::milliseconds Win32Clock::Now() {
  return std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(GetTickCount64()));
}

void Win32Clock::Sleep(std::chrono::milliseconds duration) {
  if (duration <= std::chrono::milliseconds::zero()) {
    return;
  }
  WaitServingNonInputMessages(duration);
}

}  // namespace drivesmith
