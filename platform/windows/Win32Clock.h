#pragma once
// Real time for the Win32 program. A sleep serves the thread's non-input
// messages until its time is up (Win32MessagePump.h).

#include "update/Clock.h"

namespace drivesmith {

class Win32Clock : public Clock {
 public:
  std::chrono::milliseconds Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace drivesmith
