#include "simulator/ScaledClock.h"

#include <algorithm>
#include <cmath>

namespace drivesmith::sim {

ScaledClock::ScaledClock(Clock& sleeper, double scale)
    : sleeper_(sleeper), scale_(scale), start_(std::chrono::steady_clock::now()) {}

std::chrono::milliseconds ScaledClock::Now() {
  const std::chrono::duration<double, std::milli> real = std::chrono::steady_clock::now() - start_;
  return std::chrono::milliseconds(
      static_cast<std::chrono::milliseconds::rep>(std::floor(real.count() / scale_)));
}

std::chrono::milliseconds ScaledClock::RealDuration(std::chrono::milliseconds duration) const {
  if (duration <= std::chrono::milliseconds::zero()) {
    return std::chrono::milliseconds::zero();
  }
  const double real = std::ceil(static_cast<double>(duration.count()) * scale_);
  return std::chrono::milliseconds(std::max<std::chrono::milliseconds::rep>(
      1, static_cast<std::chrono::milliseconds::rep>(real)));
}

void ScaledClock::Sleep(std::chrono::milliseconds duration) {
  const std::chrono::milliseconds real = RealDuration(duration);
  if (real > std::chrono::milliseconds::zero()) {
    sleeper_.Sleep(real);
  }
}

}  // namespace drivesmith::sim
