#include "platform/windows/Win32PlainCompletionWaiter.h"

#include <windows.h>

namespace drivesmith {

bool Win32PlainCompletionWaiter::Wait(void* event, std::chrono::milliseconds timeout) {
  return WaitForSingleObject(static_cast<HANDLE>(event), static_cast<DWORD>(timeout.count())) ==
         WAIT_OBJECT_0;
}

}  // namespace drivesmith
