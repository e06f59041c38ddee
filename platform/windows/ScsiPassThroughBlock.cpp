#include "platform/windows/ScsiPassThroughBlock.h"

#include <algorithm>

namespace drivesmith {

namespace {

namespace spt = scsi_pass_through;

constexpr std::uint8_t kStatusUnset = 0xFF;

void Put16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t DataIn(PassThroughDirection direction) {
  switch (direction) {
    case PassThroughDirection::Out:
      return spt::kDirectionOut;
    case PassThroughDirection::In:
      return spt::kDirectionIn;
    case PassThroughDirection::None:
      break;
  }
  return spt::kDirectionNone;
}

std::size_t SenseLength(const PassThroughRequest& request) {
  return std::min(request.sense.size(), spt::kSenseAreaLength);
}

}  // namespace

std::span<std::uint8_t> ScsiPassThroughBlock::Lay(const PassThroughRequest& request) {
  if (request.data.size() > bytes_.size() - spt::kDataOffset) return {};
  const std::span<std::uint8_t> bytes(bytes_);
  Put16(bytes, spt::kLength, spt::kHeaderLength);
  bytes[spt::kScsiStatus] = kStatusUnset;
  bytes[spt::kPathId] = 0;
  bytes[spt::kTargetId] = 0;
  bytes[spt::kLun] = 0;
  bytes[spt::kCdbLength] = static_cast<std::uint8_t>(request.commandBlock.size());
  bytes[spt::kSenseInfoLength] = static_cast<std::uint8_t>(SenseLength(request));
  bytes[spt::kDataIn] = DataIn(request.direction);
  Put32(bytes, spt::kDataTransferLength, static_cast<std::uint32_t>(request.data.size()));
  Put32(bytes, spt::kTimeOutValue, static_cast<std::uint32_t>(request.timeout.count()));
  Put32(bytes, spt::kDataBufferOffset, spt::kDataOffset);
  Put32(bytes, spt::kSenseInfoOffset, spt::kSenseOffset);
  std::fill_n(bytes.begin() + spt::kCdb, spt::kCdbRoom, std::uint8_t{0});
  std::copy_n(request.commandBlock.begin(), std::min(request.commandBlock.size(), spt::kCdbRoom),
              bytes.begin() + spt::kCdb);
  std::copy(request.data.begin(), request.data.end(), bytes.begin() + spt::kDataOffset);
  return bytes.first(spt::kDataOffset + request.data.size());
}

std::uint8_t ScsiPassThroughBlock::Collect(const PassThroughRequest& request) const {
  std::copy_n(bytes_.begin() + spt::kDataOffset, request.data.size(), request.data.begin());
  std::copy_n(bytes_.begin() + spt::kSenseOffset, SenseLength(request), request.sense.begin());
  return bytes_[spt::kScsiStatus];
}

}  // namespace drivesmith
