#pragma once
// The buffer that IOCTL_SCSI_PASS_THROUGH takes, laid out byte by byte: a
// SCSI_PASS_THROUGH header as the Windows NT storage interface publishes it
// (32-bit layout, little-endian) at offset 0, 44 bytes (44 to 47 are not
// written); the sense area at 48, 32 bytes; the data at 80. Plain bytes, so
// that the layout can be checked on any platform.

#include <array>
#include <cstdint>
#include <span>

#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"

namespace drivesmith {

class ScsiPassThroughBlock {
 public:
  // Writes the header for `request`, with ScsiStatus preset to 0xFF, and
  // copies its data in. Returns the bytes that the control request takes as
  // input and output: 80 + data length. Empty when the data does not fit.
  std::span<std::uint8_t> Lay(const PassThroughRequest& request);

  // After the control request: copies the data and the sense bytes back into
  // `request`'s spans and returns ScsiStatus, still 0xFF when the platform
  // refused the request.
  std::uint8_t Collect(const PassThroughRequest& request) const;

 private:
  std::array<std::uint8_t, 80 + passthrough::kDataCapacity> bytes_{};
};

}  // namespace drivesmith
