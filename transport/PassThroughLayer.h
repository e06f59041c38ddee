#pragma once
// Port: the platform's SCSI pass-through. A command is the command block, the
// direction and the data of its data phase, room for sense data and a device
// time-out, sent to a drive named by its address.

#include <chrono>
#include <compare>
#include <cstdint>
#include <memory>
#include <span>

#include "transport/TransportMode.h"

namespace drivesmith {

// A pass-through drive: `mode` says what the drive index counts (cdrom device
// numbers, or drive letters from D on).
struct PassThroughAddress {
  TransportMode mode = TransportMode::PassThroughCdrom;
  std::uint8_t driveIndex = 0;
  friend auto operator<=>(const PassThroughAddress&, const PassThroughAddress&) = default;
};

enum class PassThroughDirection : std::uint8_t { Out, In, None };

struct PassThroughRequest {
  std::span<const std::uint8_t> commandBlock;
  PassThroughDirection direction = PassThroughDirection::None;
  // The data phase: sent with Out, filled by the drive with In; its size is
  // the data length.
  std::span<std::uint8_t> data;
  // Room for the sense data that the drive returns with CHECK CONDITION.
  std::span<std::uint8_t> sense;
  std::chrono::seconds timeout{};
};

// The status a device reports when no status came back from the drive: the
// platform refused the request, or it failed on the way.
inline constexpr std::uint8_t kPassThroughStatusUnset = 0xFF;

// An open device; closing it is destroying it.
class PassThroughDevice {
 public:
  virtual ~PassThroughDevice() = default;
  // Sends `request` and returns the drive's SCSI status byte, or
  // kPassThroughStatusUnset when none came back. Sense data is in fixed
  // format.
  virtual std::uint8_t Issue(const PassThroughRequest& request) = 0;
};

class PassThroughLayer {
 public:
  virtual ~PassThroughLayer() = default;
  // Opens the drive for reading and writing, shared, existing only. Null when
  // it cannot be opened.
  virtual std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) = 0;
};

}  // namespace drivesmith
