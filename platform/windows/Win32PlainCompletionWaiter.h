#pragma once
// WaitForSingleObject on the completion event: the thread serves no messages
// while it waits. For programs and tests without a window.

#include "platform/windows/Win32CompletionWaiter.h"

namespace drivesmith {

class Win32PlainCompletionWaiter : public Win32CompletionWaiter {
 public:
  bool Wait(void* event, std::chrono::milliseconds timeout) override;
};

}  // namespace drivesmith
