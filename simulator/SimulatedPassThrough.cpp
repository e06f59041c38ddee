#include "simulator/SimulatedPassThrough.h"

#include <algorithm>
#include <chrono>

namespace drivesmith::sim {

namespace {

constexpr std::size_t kLongestCommandBlock = 16;

class SimulatedDevice : public drivesmith::PassThroughDevice {
 public:
  SimulatedDevice(SimulatedDrive& drive, drivesmith::Clock& clock,
                  std::shared_ptr<SimulatedPassThrough::Counters> counters)
      : drive_(drive), clock_(clock), counters_(std::move(counters)) {
    ++counters_->opened;
  }
  ~SimulatedDevice() override { ++counters_->closed; }
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  std::uint8_t Issue(const drivesmith::PassThroughRequest& request) override {
    ++counters_->requests;
    // The driver refuses a command block it cannot carry: no status.
    const std::size_t cdbLength = request.commandBlock.size();
    if (cdbLength == 0 || cdbLength > kLongestCommandBlock)
      return drivesmith::kPassThroughStatusUnset;
    DataDirection direction = DataDirection::None;
    if (request.direction == drivesmith::PassThroughDirection::Out) direction = DataDirection::Out;
    if (request.direction == drivesmith::PassThroughDirection::In) direction = DataDirection::In;
    // Without a data phase the length plays no part.
    const std::span<std::uint8_t> data =
        direction == DataDirection::None ? std::span<std::uint8_t>() : request.data;

    const CommandOutcome outcome = drive_.Execute(request.commandBlock, direction, data);
    if (!outcome.answered) {
      // The device time-out runs out without a status.
      clock_.Sleep(request.timeout);
      return drivesmith::kPassThroughStatusUnset;
    }
    if (outcome.status == kStatusCheckCondition) {
      std::copy_n(outcome.sense.begin(), std::min(request.sense.size(), outcome.sense.size()),
                  request.sense.begin());
    }
    return outcome.status;
  }

 private:
  SimulatedDrive& drive_;
  drivesmith::Clock& clock_;
  std::shared_ptr<SimulatedPassThrough::Counters> counters_;
};

}  // namespace

SimulatedPassThrough::SimulatedPassThrough(drivesmith::Clock& clock)
    : clock_(clock), counters_(std::make_shared<Counters>()) {}

void SimulatedPassThrough::Attach(drivesmith::PassThroughAddress address, SimulatedDrive& drive) {
  drives_[address] = &drive;
}

std::unique_ptr<drivesmith::PassThroughDevice> SimulatedPassThrough::Open(
    drivesmith::PassThroughAddress address) {
  const auto found = drives_.find(address);
  if (found == drives_.end()) {
    ++counters_->failedOpens;
    return nullptr;
  }
  return std::make_unique<SimulatedDevice>(*found->second, clock_, counters_);
}

}  // namespace drivesmith::sim
