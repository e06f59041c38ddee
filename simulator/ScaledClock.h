#pragma once
// Simulated time that runs at a fixed ratio to real time: a simulated second
// takes `scale` real seconds. The drive's work and the update's own pauses
// keep their proportions, so a small scale runs the whole update quickly.

#include <chrono>

#include "update/Clock.h"

namespace drivesmith::sim {

// Smallest scale: below it the simulated drive's work gets shorter than the
// real clock can show.
inline constexpr double kSmallestTimeScale = 1e-6;

class ScaledClock : public Clock {
 public:
  // `sleeper` does the real waiting (it keeps the window alive meanwhile).
  ScaledClock(Clock& sleeper, double scale);

  // Simulated time since construction.
  std::chrono::milliseconds Now() override;
  // Waits `duration` of simulated time: `duration` times the scale in real
  // time, at least a millisecond.
  void Sleep(std::chrono::milliseconds duration) override;

 private:
  // Real time that a simulated `duration` takes.
  std::chrono::milliseconds RealDuration(std::chrono::milliseconds duration) const;

  Clock& sleeper_;
  double scale_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace drivesmith::sim
