#pragma once
// A scripted stand-in for the platform's SCSI pass-through: drives that
// exist by address, a record of every open and control request, and
// answers as the test says.

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "transport/PassThroughLayer.h"

namespace drivesmith::testing {

struct PassThroughReply {
  bool refuse = false;  // the platform refuses the request: no status comes back
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> sense;  // written into the sense span

  static PassThroughReply Good() { return {}; }
  static PassThroughReply CheckCondition(std::uint8_t asc, std::uint8_t ascq) {
    PassThroughReply reply{false, 2, std::vector<std::uint8_t>(14, 0)};
    reply.sense[12] = asc;
    reply.sense[13] = ascq;
    return reply;
  }
};

struct IssuedPassThrough {
  PassThroughAddress address;
  std::vector<std::uint8_t> commandBlock;
  PassThroughDirection direction;
  std::size_t dataLength, senseLength;
  std::chrono::seconds timeout;
};

class FakePassThroughLayer : public PassThroughLayer {
 public:
  // With `allDevicesExist` every drive opens, otherwise those in `devices`.
  bool allDevicesExist = true;
  std::set<PassThroughAddress> devices;
  void Reply(PassThroughReply reply) { replies_.push_back(std::move(reply)); }

  std::vector<PassThroughAddress> openAttempts;
  std::vector<IssuedPassThrough> issued;
  int openDevices = 0;

  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) override {
    openAttempts.push_back(address);
    if (!allDevicesExist && !devices.contains(address)) return nullptr;
    return std::make_unique<Device>(*this, address);
  }

 private:
  struct Device : PassThroughDevice {
    Device(FakePassThroughLayer& l, PassThroughAddress a) : layer(l), address(a) {
      ++layer.openDevices;
    }
    ~Device() override { --layer.openDevices; }
    std::uint8_t Issue(const PassThroughRequest& r) override { return layer.Issue(address, r); }
    FakePassThroughLayer& layer;
    PassThroughAddress address;
  };

  std::uint8_t Issue(PassThroughAddress address, const PassThroughRequest& r) {
    issued.push_back({address,
                      {r.commandBlock.begin(), r.commandBlock.end()},
                      r.direction,
                      r.data.size(),
                      r.sense.size(),
                      r.timeout});
    const PassThroughReply reply = next_ < replies_.size() ? replies_[next_++] : PassThroughReply{};
    if (reply.refuse) return kPassThroughStatusUnset;
    std::copy_n(reply.sense.begin(), std::min(reply.sense.size(), r.sense.size()), r.sense.begin());
    return reply.scsiStatus;
  }
  std::vector<PassThroughReply> replies_;
  std::size_t next_ = 0;
};

}  // namespace drivesmith::testing
