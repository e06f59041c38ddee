#pragma once
// Port: time. The engine sleeps and measures only through it, so tests and
// the demo can run on simulated time.

#include <chrono>

namespace drivesmith {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time since an arbitrary start.
  virtual std::chrono::milliseconds Now() = 0;
  // Blocks the caller for `duration`. A GUI clock keeps its window painted
  // and answering the window manager meanwhile, but handles no user input.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// Real time on the calling thread.
class SteadyClock : public Clock {
 public:
  std::chrono::milliseconds Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace drivesmith
