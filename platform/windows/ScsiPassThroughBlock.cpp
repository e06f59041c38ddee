#include "platform/windows/ScsiPassThroughBlock.h"

#include <algorithm>
#include <cstddef>

#if defined(_WIN32)
// clang-format off
#include <windows.h>
#include <ntddscsi.h>
// clang-format on
#endif

namespace drivesmith {

namespace {

constexpr std::size_t kHeaderLength = 44;
constexpr std::size_t kSenseOffset = 48;
constexpr std::size_t kSenseAreaLength = 32;
constexpr std::size_t kDataOffset = 80;

// Byte offsets of the header fields.
constexpr std::size_t kLength = 0;               // 16 bits
constexpr std::size_t kScsiStatus = 2;           // then PathId, TargetId, Lun: 8 bits each
constexpr std::size_t kCdbLength = 6;            // 8 bits
constexpr std::size_t kSenseInfoLength = 7;      // 8 bits
constexpr std::size_t kDataIn = 8;               // 8 bits
constexpr std::size_t kDataTransferLength = 12;  // 32 bits
constexpr std::size_t kTimeOutValue = 16;        // 32 bits, seconds
constexpr std::size_t kDataBufferOffset = 20;    // 32 bits
constexpr std::size_t kSenseInfoOffset = 24;     // 32 bits
constexpr std::size_t kCdb = 28;                 // 16 bytes
constexpr std::size_t kCdbRoom = 16;

#if defined(_WIN32)
// The same offsets as the system's headers declare the record.
static_assert(sizeof(void*) == 4, "the Windows program is built for 32-bit Windows");
static_assert(sizeof(SCSI_PASS_THROUGH) == kHeaderLength);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == kScsiStatus);
static_assert(offsetof(SCSI_PASS_THROUGH, Lun) == kScsiStatus + 3);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == kCdbLength);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == kSenseInfoLength);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == kDataIn);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == kDataTransferLength);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == kTimeOutValue);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == kDataBufferOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == kSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == kCdb &&
              sizeof(SCSI_PASS_THROUGH::Cdb) == kCdbRoom);
static_assert(SCSI_IOCTL_DATA_OUT == 0 && SCSI_IOCTL_DATA_IN == 1 &&
              SCSI_IOCTL_DATA_UNSPECIFIED == 2);
#endif

// Little-endian, `width` bytes.
void Put(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t DataIn(PassThroughDirection direction) {
  if (direction == PassThroughDirection::Out) return 0;  // SCSI_IOCTL_DATA_OUT
  if (direction == PassThroughDirection::In) return 1;   // SCSI_IOCTL_DATA_IN
  return 2;                                              // SCSI_IOCTL_DATA_UNSPECIFIED
}

std::size_t SenseLength(const PassThroughRequest& request) {
  return std::min(request.sense.size(), kSenseAreaLength);
}

}  // namespace

std::span<std::uint8_t> ScsiPassThroughBlock::Lay(const PassThroughRequest& request) {
  if (request.data.size() > bytes_.size() - kDataOffset) return {};
  const std::span<std::uint8_t> bytes(bytes_);
  Put(bytes, kLength, kHeaderLength, 2);
  Put(bytes, kScsiStatus, kPassThroughStatusUnset, 4);  // PathId, TargetId and Lun 0
  bytes[kCdbLength] = static_cast<std::uint8_t>(request.commandBlock.size());
  bytes[kSenseInfoLength] = static_cast<std::uint8_t>(SenseLength(request));
  bytes[kDataIn] = DataIn(request.direction);
  Put(bytes, kDataTransferLength, static_cast<std::uint32_t>(request.data.size()), 4);
  Put(bytes, kTimeOutValue, static_cast<std::uint32_t>(request.timeout.count()), 4);
  Put(bytes, kDataBufferOffset, kDataOffset, 4);
  Put(bytes, kSenseInfoOffset, kSenseOffset, 4);
  std::fill_n(bytes.begin() + kCdb, kCdbRoom, std::uint8_t{0});
  std::copy_n(request.commandBlock.begin(), std::min(request.commandBlock.size(), kCdbRoom),
              bytes.begin() + kCdb);
  std::copy(request.data.begin(), request.data.end(), bytes.begin() + kDataOffset);
  return bytes.first(kDataOffset + request.data.size());
}

std::uint8_t ScsiPassThroughBlock::Collect(const PassThroughRequest& request) const {
  std::copy_n(bytes_.begin() + kDataOffset, request.data.size(), request.data.begin());
  std::copy_n(bytes_.begin() + kSenseOffset, SenseLength(request), request.sense.begin());
  return bytes_[kScsiStatus];
}

}  // namespace drivesmith
