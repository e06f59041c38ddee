#pragma once
// A scripted stand-in for the storage driver's SCSI pass-through: devices
// that exist by name, a record of every open, close and control request, and
// answers as the test says.

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "transport/PassThroughLayer.h"

namespace drivesmith::testing {

struct PassThroughReply {
  bool refuse = false;  // the platform refuses the request: the buffer stays untouched
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> sense;   // written at the sense area (buffer offset 48)
  std::vector<std::uint8_t> dataIn;  // written at the data area (buffer offset 80)

  static PassThroughReply Good() { return PassThroughReply{}; }
  static PassThroughReply Refused() { return PassThroughReply{true, 0, {}, {}}; }
  static PassThroughReply Status(std::uint8_t status) {
    return PassThroughReply{false, status, {}, {}};
  }
  static PassThroughReply CheckCondition(std::uint8_t asc, std::uint8_t ascq);
  static PassThroughReply Data(std::vector<std::uint8_t> bytes) {
    return PassThroughReply{false, 0, {}, std::move(bytes)};
  }
};

// One control request as the platform received it.
struct IssuedPassThrough {
  std::string device;
  const std::uint8_t* address = nullptr;
  std::vector<std::uint8_t> buffer;  // copy of the whole buffer on the call
  int openDevices = 0;               // devices open at the time
};

class FakePassThroughLayer : public PassThroughLayer {
 public:
  // Scripting: with `allDevicesExist` every name opens, otherwise those in `devices`.
  bool allDevicesExist = true;
  std::set<std::string> devices;
  void Reply(PassThroughReply reply) { replies_.push_back(std::move(reply)); }

  // Records.
  std::vector<std::string> openAttempts;
  std::vector<IssuedPassThrough> issued;
  int openDevices = 0;
  int closes = 0;

  std::unique_ptr<PassThroughDevice> Open(const std::string& deviceName) override;

 private:
  class Device;
  void Issue(const std::string& device, std::span<std::uint8_t> buffer);
  std::deque<PassThroughReply> replies_;
};

}  // namespace drivesmith::testing
