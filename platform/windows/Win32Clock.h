#pragma once
// Real time for the Win32 program. A sleep serves the thread's non-input
// messages until its time is up (Win32MessagePump.h).

#include <cstdint>

#include "update/Clock.h"

namespace drivesmith {

class Win32Clock : public Clock {
 public:
  // Now() counts from the first reading of the system's 32-bit tick count,
  // which wraps after 49.7 days; each reading adds the ticks since the one
  // before, so Now() keeps rising across the wrap.
  std::chrono::milliseconds Now() override;
  void Sleep(std::chrono::milliseconds duration) override;

 private:
  bool started_ = false;
  std::uint32_t lastTick_ = 0;
  std::int64_t elapsed_ = 0;
};

}  // namespace drivesmith
