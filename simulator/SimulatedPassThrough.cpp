#include "simulator/SimulatedPassThrough.h"

#include <algorithm>
#include <chrono>

#include "transport/ScsiRequest.h"

namespace drivesmith::sim {

namespace {

namespace pt = drivesmith::passthrough;

std::uint32_t Read32(std::span<const std::uint8_t> buffer, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= static_cast<std::uint32_t>(buffer[at + i]) << (8 * i);
  return value;
}

void Write32(std::span<std::uint8_t> buffer, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) buffer[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

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

  void IssuePassThrough(std::span<std::uint8_t> buffer) override {
    ++counters_->requests;
    // The driver refuses a request whose header or buffer does not add up;
    // the status then stays as the caller preset it.
    if (buffer.size() < pt::kHeaderLength || buffer[pt::kLength] != pt::kHeaderLength ||
        buffer[pt::kLength + 1] != 0) {
      ++counters_->refusedRequests;
      return;
    }
    const std::size_t cdbLength = buffer[pt::kCdbLength];
    const std::uint8_t dataIn = buffer[pt::kDataIn];
    const std::size_t dataLength = Read32(buffer, pt::kDataTransferLength);
    const std::size_t dataOffset = Read32(buffer, pt::kDataBufferOffset);
    const std::size_t senseOffset = Read32(buffer, pt::kSenseInfoOffset);
    const std::size_t senseLength = buffer[pt::kSenseInfoLength];
    const bool dataFits =
        dataLength == 0 || (dataOffset >= pt::kHeaderLength && dataOffset <= buffer.size() &&
                            dataLength <= buffer.size() - dataOffset);
    const bool senseFits =
        senseLength == 0 || (senseOffset >= pt::kHeaderLength && senseOffset <= buffer.size() &&
                             senseLength <= buffer.size() - senseOffset);
    if (cdbLength == 0 || cdbLength > 16 || dataIn > pt::kNoData || !dataFits || !senseFits) {
      ++counters_->refusedRequests;
      return;
    }

    DataDirection direction = DataDirection::None;
    if (dataIn == pt::kDataOut) direction = DataDirection::Out;
    if (dataIn == pt::kDataInDir) direction = DataDirection::In;
    std::span<std::uint8_t> data;
    // Without a data phase the length plays no part.
    if (dataLength != 0 && direction != DataDirection::None) {
      data = buffer.subspan(dataOffset, dataLength);
    }

    const CommandOutcome outcome =
        drive_.Execute(buffer.subspan(pt::kCdb, cdbLength), direction, data);
    if (!outcome.answered) {
      // The device time-out runs out; the status stays as preset.
      clock_.Sleep(std::chrono::seconds(Read32(buffer, pt::kTimeOutValue)));
      return;
    }
    buffer[pt::kScsiStatus] = outcome.status;
    if (direction == DataDirection::In) {
      Write32(buffer, pt::kDataTransferLength, outcome.dataIn);
    }
    if (outcome.status == kStatusCheckCondition && senseLength != 0) {
      const std::size_t count = std::min(senseLength, outcome.sense.size());
      std::copy_n(outcome.sense.begin(), count,
                  buffer.begin() + static_cast<std::ptrdiff_t>(senseOffset));
    }
  }

 private:
  SimulatedDrive& drive_;
  drivesmith::Clock& clock_;
  std::shared_ptr<SimulatedPassThrough::Counters> counters_;
};

}  // namespace

SimulatedPassThrough::SimulatedPassThrough(drivesmith::Clock& clock)
    : clock_(clock), counters_(std::make_shared<Counters>()) {}

void SimulatedPassThrough::Attach(const std::string& deviceName, SimulatedDrive& drive) {
  drives_[deviceName] = &drive;
}

std::unique_ptr<drivesmith::PassThroughDevice> SimulatedPassThrough::Open(
    const std::string& deviceName) {
  const auto found = drives_.find(deviceName);
  if (found == drives_.end()) {
    ++counters_->failedOpens;
    return nullptr;
  }
  return std::make_unique<SimulatedDevice>(*found->second, clock_, counters_);
}

}  // namespace drivesmith::sim
