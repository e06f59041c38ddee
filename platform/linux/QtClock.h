#pragma once
// Real time for a Qt program. A sleep keeps serving the event loop, except
// user input, until its time is up: the window keeps repainting and answering
// the window manager while an update waits on the drive.

#include "update/Clock.h"

namespace drivesmith {

class QtClock : public Clock {
 public:
  std::chrono::milliseconds Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace drivesmith
