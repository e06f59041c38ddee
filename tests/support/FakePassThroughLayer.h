#pragma once
// A scripted stand-in for the storage driver's SCSI pass-through: devices
// that exist by name, a record of every open and control request, and
// answers as the test says.

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"

namespace drivesmith::testing {

struct PassThroughReply {
  bool refuse = false;  // the platform refuses the request: the buffer stays untouched
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> sense;  // written at the sense area

  static PassThroughReply Good() { return {}; }
  static PassThroughReply CheckCondition(std::uint8_t asc, std::uint8_t ascq) {
    PassThroughReply reply{false, 2, std::vector<std::uint8_t>(14, 0)};
    reply.sense[12] = asc;
    reply.sense[13] = ascq;
    return reply;
  }
};

struct IssuedPassThrough {
  std::string device;
  std::vector<std::uint8_t> buffer;  // copy of the whole buffer on the call
};

class FakePassThroughLayer : public PassThroughLayer {
 public:
  // With `allDevicesExist` every name opens, otherwise those in `devices`.
  bool allDevicesExist = true;
  std::set<std::string> devices;
  void Reply(PassThroughReply reply) { replies_.push_back(std::move(reply)); }

  std::vector<std::string> openAttempts;
  std::vector<IssuedPassThrough> issued;
  int openDevices = 0;

  std::unique_ptr<PassThroughDevice> Open(const std::string& name) override {
    openAttempts.push_back(name);
    if (!allDevicesExist && !devices.contains(name)) return nullptr;
    return std::make_unique<Device>(*this, name);
  }

 private:
  struct Device : PassThroughDevice {
    Device(FakePassThroughLayer& l, std::string n) : layer(l), name(std::move(n)) {
      ++layer.openDevices;
    }
    ~Device() override { --layer.openDevices; }
    void IssuePassThrough(std::span<std::uint8_t> buffer) override { layer.Issue(name, buffer); }
    FakePassThroughLayer& layer;
    std::string name;
  };

  void Issue(const std::string& device, std::span<std::uint8_t> buffer) {
    issued.push_back({device, std::vector<std::uint8_t>(buffer.begin(), buffer.end())});
    const PassThroughReply reply = next_ < replies_.size() ? replies_[next_++] : PassThroughReply{};
    if (reply.refuse) return;
    std::copy(reply.sense.begin(), reply.sense.end(), buffer.begin() + passthrough::kSenseOffset);
    buffer[passthrough::kScsiStatus] = reply.scsiStatus;
  }
  std::vector<PassThroughReply> replies_;
  std::size_t next_ = 0;
};

}  // namespace drivesmith::testing
