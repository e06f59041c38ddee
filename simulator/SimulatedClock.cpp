#include "simulator/SimulatedClock.h"

namespace drivesmith::sim {

std::chrono::milliseconds SimulatedClock::Now() { return now_; }

void SimulatedClock::Sleep(std::chrono::milliseconds d) {
  if (d.count() <= 0) return;
  now_ += d;
  slept_ += d;
}

std::chrono::milliseconds SimulatedClock::TotalSlept() const { return slept_; }

}  // namespace drivesmith::sim
