#include "tests/support/FakePassThroughLayer.h"

#include <algorithm>

#include "transport/ScsiRequest.h"

namespace drivesmith::testing {

PassThroughReply PassThroughReply::CheckCondition(std::uint8_t asc, std::uint8_t ascq) {
  PassThroughReply reply{false, 2, std::vector<std::uint8_t>(14, 0), {}};
  reply.sense[0] = 0x70;
  reply.sense[2] = 0x05;
  reply.sense[7] = 0x06;
  reply.sense[12] = asc;
  reply.sense[13] = ascq;
  return reply;
}

class FakePassThroughLayer::Device : public PassThroughDevice {
 public:
  Device(FakePassThroughLayer& layer, std::string name) : layer_(layer), name_(std::move(name)) {
    ++layer_.openDevices;
  }
  ~Device() override {
    --layer_.openDevices;
    ++layer_.closes;
  }
  void IssuePassThrough(std::span<std::uint8_t> buffer) override { layer_.Issue(name_, buffer); }

 private:
  FakePassThroughLayer& layer_;
  std::string name_;
};

std::unique_ptr<PassThroughDevice> FakePassThroughLayer::Open(const std::string& deviceName) {
  openAttempts.push_back(deviceName);
  if (!allDevicesExist && !devices.contains(deviceName)) return nullptr;
  return std::make_unique<Device>(*this, deviceName);
}

void FakePassThroughLayer::Issue(const std::string& device, std::span<std::uint8_t> buffer) {
  issued.push_back(IssuedPassThrough{
      device, buffer.data(), std::vector<std::uint8_t>(buffer.begin(), buffer.end()), openDevices});
  PassThroughReply reply;
  if (!replies_.empty()) {
    reply = std::move(replies_.front());
    replies_.pop_front();
  }
  if (reply.refuse) return;
  auto place = [&buffer](std::size_t at, const std::vector<std::uint8_t>& bytes) {
    if (at >= buffer.size()) return;
    const std::size_t n = std::min(bytes.size(), buffer.size() - at);
    std::copy_n(bytes.begin(), n, buffer.begin() + static_cast<std::ptrdiff_t>(at));
  };
  place(passthrough::kSenseOffset, reply.sense);
  place(passthrough::kDataOffset, reply.dataIn);
  buffer[passthrough::kScsiStatus] = reply.scsiStatus;
}

}  // namespace drivesmith::testing
