#pragma once
// Simulated time: Sleep() advances the clock at once, so tests and the demo
// run through seconds of drive work without waiting for real.

#include <chrono>

#include "update/Clock.h"

namespace drivesmith::sim {

class SimulatedClock : public drivesmith::Clock {
 public:
  std::chrono::milliseconds Now() override;
  // Advances Now() by `d` and returns at once.
  void Sleep(std::chrono::milliseconds d) override;
  // Same as Sleep(), for the simulator's own use; not counted as slept.
  void Advance(std::chrono::milliseconds d);
  // Sum of every Sleep() call.
  std::chrono::milliseconds TotalSlept() const;
  // Number of Sleep() calls that took time.
  int SleepCount() const;

 private:
  std::chrono::milliseconds now_{0};
  std::chrono::milliseconds slept_{0};
  int sleeps_ = 0;
};

}  // namespace drivesmith::sim
