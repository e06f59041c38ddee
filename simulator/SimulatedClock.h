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
  // Sum of every Sleep() call.
  std::chrono::milliseconds TotalSlept() const;

 private:
  std::chrono::milliseconds now_{0};
  std::chrono::milliseconds slept_{0};
};

}  // namespace drivesmith::sim
