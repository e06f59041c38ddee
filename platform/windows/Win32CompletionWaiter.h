#pragma once
// How the thread waits for an ASPI command's completion event: plainly, or
// serving the window's non-input messages meanwhile, so that a program with
// a window keeps painting while its drive works.

#include <chrono>

namespace drivesmith {

class Win32CompletionWaiter {
 public:
  virtual ~Win32CompletionWaiter() = default;

  // Waits until the automatic-reset event `event` (a HANDLE) is signalled,
  // for `timeout` at most; true when it was signalled. The wait consumes the
  // signal.
  virtual bool Wait(void* event, std::chrono::milliseconds timeout) = 0;
};

}  // namespace drivesmith
