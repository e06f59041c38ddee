#include "platform/windows/Win32MessagePumpingCompletionWaiter.h"

#include "platform/windows/Win32MessagePump.h"

namespace drivesmith {

bool Win32MessagePumpingCompletionWaiter::Wait(void* event, std::chrono::milliseconds timeout) {
  return WaitForEventServingNonInputMessages(event, timeout);
}

}  // namespace drivesmith
