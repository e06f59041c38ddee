#pragma once
// The buffer that IOCTL_SCSI_PASS_THROUGH takes, laid out byte by byte: a
// SCSI_PASS_THROUGH header as the Windows NT storage interface publishes it
// (32-bit layout, little-endian), then its sense area and the data.
//
//   offset  0  the header, 44 bytes (44 to 47 are not written)
//          48  the sense area, 32 bytes
//          80  the data, up to 16384 bytes
//
// Plain bytes, with no Windows headers, so that the layout can be checked on
// any platform.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"

namespace drivesmith {

namespace scsi_pass_through {
inline constexpr std::size_t kHeaderLength = 44;
inline constexpr std::size_t kSenseOffset = 48;
inline constexpr std::size_t kSenseAreaLength = 32;
inline constexpr std::size_t kDataOffset = 80;

// Byte offsets of the header fields.
inline constexpr std::size_t kLength = 0;               // 16 bits
inline constexpr std::size_t kScsiStatus = 2;           // 8 bits
inline constexpr std::size_t kPathId = 3;               // 8 bits
inline constexpr std::size_t kTargetId = 4;             // 8 bits
inline constexpr std::size_t kLun = 5;                  // 8 bits
inline constexpr std::size_t kCdbLength = 6;            // 8 bits
inline constexpr std::size_t kSenseInfoLength = 7;      // 8 bits
inline constexpr std::size_t kDataIn = 8;               // 8 bits
inline constexpr std::size_t kDataTransferLength = 12;  // 32 bits
inline constexpr std::size_t kTimeOutValue = 16;        // 32 bits, seconds
inline constexpr std::size_t kDataBufferOffset = 20;    // 32 bits
inline constexpr std::size_t kSenseInfoOffset = 24;     // 32 bits
inline constexpr std::size_t kCdb = 28;                 // 16 bytes
inline constexpr std::size_t kCdbRoom = 16;

inline constexpr std::uint8_t kDirectionOut = 0;   // SCSI_IOCTL_DATA_OUT
inline constexpr std::uint8_t kDirectionIn = 1;    // SCSI_IOCTL_DATA_IN
inline constexpr std::uint8_t kDirectionNone = 2;  // SCSI_IOCTL_DATA_UNSPECIFIED
}  // namespace scsi_pass_through

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
  std::array<std::uint8_t, scsi_pass_through::kDataOffset + passthrough::kDataCapacity> bytes_{};
};

}  // namespace drivesmith
