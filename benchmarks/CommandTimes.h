#pragma once
// Figures, not checks: how long each command of an update takes through the
// platform's pass-through, from the device's opening to its closing, by
// operation code. Printed as medians when the update has ended; the kernel
// guests' update check wraps it round the pass-through, on Linux and under
// Wine alike.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "transport/PassThroughLayer.h"

namespace drivesmith::bench {

class CommandTimes : public PassThroughLayer {
 public:
  explicit CommandTimes(PassThroughLayer& inner) : inner_(inner) {}

  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) override {
    const Clock::time_point opening = Clock::now();
    std::unique_ptr<PassThroughDevice> device = inner_.Open(address);
    if (!device) return device;
    return std::make_unique<TimedDevice>(std::move(device), opening, times_);
  }

  void PrintMedians() {
    for (auto& [code, times] : times_) {
      std::sort(times.begin(), times.end());
      std::printf("  command %02X: %zu sent, median %lld us from opening to closing\n", code,
                  times.size(), static_cast<long long>(times[times.size() / 2].count()));
    }
  }

 private:
  using Clock = std::chrono::steady_clock;
  using Times = std::map<unsigned, std::vector<std::chrono::microseconds>>;

  class TimedDevice : public PassThroughDevice {
   public:
    TimedDevice(std::unique_ptr<PassThroughDevice> inner, Clock::time_point opening, Times& times)
        : inner_(std::move(inner)), opening_(opening), times_(times) {}
    ~TimedDevice() override {
      inner_.reset();
      times_[code_].push_back(
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - opening_));
    }
    std::uint8_t Issue(const PassThroughRequest& request) override {
      if (!request.commandBlock.empty()) code_ = request.commandBlock[0];
      return inner_->Issue(request);
    }

   private:
    std::unique_ptr<PassThroughDevice> inner_;
    Clock::time_point opening_;
    Times& times_;
    unsigned code_ = 0;
  };

  PassThroughLayer& inner_;
  Times times_;
};

}  // namespace drivesmith::bench
