#pragma once
// Waits for the completion event while serving the thread's non-input
// messages (Win32MessagePump.h): the window keeps painting and answering
// while a command runs, and its input waits until the update has ended.

#include "platform/windows/Win32CompletionWaiter.h"

namespace drivesmith {

class Win32MessagePumpingCompletionWaiter : public Win32CompletionWaiter {
 public:
  bool Wait(void* event, std::chrono::milliseconds timeout) override;
};

}  // namespace drivesmith
