#pragma once
// Port: the storage driver's SCSI pass-through (IOCTL_SCSI_PASS_THROUGH).

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace drivesmith {

// An open device; closing it is destroying it.
class PassThroughDevice {
 public:
  virtual ~PassThroughDevice() = default;
  // Issues the pass-through control request with `buffer` (header, sense area
  // and data, 80 + data length bytes) as input and output. Its own result is
  // not used: a refused request leaves ScsiStatus as it was preset.
  virtual void IssuePassThrough(std::span<std::uint8_t> buffer) = 0;
};

class PassThroughLayer {
 public:
  virtual ~PassThroughLayer() = default;
  // Opens the named device for reading and writing, shared, existing only.
  // Null when it cannot be opened.
  virtual std::unique_ptr<PassThroughDevice> Open(const std::string& deviceName) = 0;
};

}  // namespace drivesmith
