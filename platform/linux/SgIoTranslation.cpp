#include "platform/linux/SgIoTranslation.h"

#include <algorithm>
#include <limits>

#include "transport/ScsiRequest.h"

namespace drivesmith {

namespace {

namespace pt = passthrough;

// Fixed-format sense data (response codes 0x70 current, 0x71 deferred).
constexpr std::uint8_t kFixedSenseCurrent = 0x70;
constexpr std::size_t kFixedSenseKeyByte = 2;
constexpr std::size_t kFixedAdditionalLengthByte = 7;
constexpr std::uint8_t kFixedAdditionalLength = 10;
constexpr std::size_t kFixedAscByte = 12;
constexpr std::size_t kFixedAscqByte = 13;
constexpr std::size_t kFixedSenseLength = 18;

// Descriptor-format sense data (response codes 0x72 current, 0x73 deferred).
constexpr std::uint8_t kDescriptorSenseCurrent = 0x72;
constexpr std::uint8_t kDescriptorSenseDeferred = 0x73;
constexpr std::size_t kDescriptorSenseKeyByte = 1;
constexpr std::size_t kDescriptorAscByte = 2;
constexpr std::size_t kDescriptorAscqByte = 3;
constexpr std::size_t kDescriptorHeaderLength = 8;

constexpr std::uint8_t kResponseCodeMask = 0x7F;
constexpr std::uint8_t kSenseKeyMask = 0x0F;

std::span<std::uint8_t> SenseArea(std::span<std::uint8_t> buffer) {
  return buffer.subspan(pt::kSenseOffset, pt::kSenseAreaLength);
}

void MarkUnset(std::span<std::uint8_t> buffer) {
  if (buffer.size() > pt::kScsiStatus) buffer[pt::kScsiStatus] = pt::kStatusUnset;
}

std::uint32_t ReadLittle32(std::span<const std::uint8_t> buffer, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= static_cast<std::uint32_t>(buffer[at + i]) << (8 * i);
  return value;
}

std::optional<int> SgDirection(std::uint8_t dataIn) {
  switch (dataIn) {
    case pt::kDataOut:
      return SG_DXFER_TO_DEV;
    case pt::kDataInDir:
      return SG_DXFER_FROM_DEV;
    case pt::kNoData:
      return SG_DXFER_NONE;
    default:
      return std::nullopt;
  }
}

bool IsSupportedCdbLength(std::uint8_t length) {
  return std::find(std::begin(kSgIoCdbLengths), std::end(kSgIoCdbLengths), length) !=
         std::end(kSgIoCdbLengths);
}

// Whether the request went to the drive and came back with a status of the
// drive's own. A failed call, an adapter or driver failure and a time-out (an
// adapter or driver failure of its own) all leave no trustworthy status: the
// status byte is then usually 0, which must not be read as GOOD.
bool ReachedTheDrive(const sg_io_hdr_t& request, bool ioctlSucceeded) {
  if (!ioctlSucceeded) return false;
  if (request.host_status != 0) return false;
  if (request.driver_status != kSgDriverOk && request.driver_status != kSgDriverSense) {
    return false;
  }
  const bool infoOk = (request.info & SG_INFO_OK_MASK) == SG_INFO_OK;
  if (!infoOk && request.status == 0) return false;
  return true;
}

}  // namespace

std::chrono::milliseconds SgIoTimeout(std::uint32_t headerSeconds) {
  // SG_IO takes an unsigned int of milliseconds; a header time-out too long
  // for it is held at the longest one that fits.
  constexpr auto kLongest = std::chrono::milliseconds(std::numeric_limits<unsigned int>::max());
  const auto wanted = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::duration<std::int64_t>(headerSeconds));
  return std::min(wanted, kLongest);
}

std::optional<sg_io_hdr_t> BuildSgIoRequest(std::span<std::uint8_t> buffer) {
  MarkUnset(buffer);
  if (buffer.size() < pt::kDataOffset) return std::nullopt;
  std::fill_n(SenseArea(buffer).begin(), pt::kSenseAreaLength, std::uint8_t{0});

  const std::uint8_t cdbLength = buffer[pt::kCdbLength];
  if (!IsSupportedCdbLength(cdbLength)) return std::nullopt;
  const std::optional<int> direction = SgDirection(buffer[pt::kDataIn]);
  if (!direction) return std::nullopt;
  const std::uint32_t dataLength = ReadLittle32(buffer, pt::kDataTransferLength);
  if (dataLength > pt::kDataCapacity || dataLength > buffer.size() - pt::kDataOffset) {
    return std::nullopt;
  }

  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.dxfer_direction = *direction;
  request.cmd_len = cdbLength;
  request.cmdp = buffer.data() + pt::kCdb;
  request.mx_sb_len =
      std::min(buffer[pt::kSenseInfoLength], static_cast<std::uint8_t>(pt::kSenseAreaLength));
  request.sbp = buffer.data() + pt::kSenseOffset;
  if (*direction == SG_DXFER_NONE) {
    // Without a data phase the kernel must not map any buffer.
    request.dxferp = nullptr;
    request.dxfer_len = 0;
  } else {
    request.dxferp = buffer.data() + pt::kDataOffset;
    request.dxfer_len = dataLength;
  }
  request.timeout =
      static_cast<unsigned int>(SgIoTimeout(ReadLittle32(buffer, pt::kTimeOutValue)).count());
  return request;
}

void ApplySgIoResult(const sg_io_hdr_t& request, bool ioctlSucceeded,
                     std::span<std::uint8_t> buffer) {
  MarkUnset(buffer);
  if (buffer.size() < pt::kDataOffset) return;

  std::span<std::uint8_t> sense = SenseArea(buffer);
  const std::size_t written =
      ioctlSucceeded
          ? std::min({std::size_t{request.sb_len_wr}, std::size_t{request.mx_sb_len}, sense.size()})
          : 0;
  std::fill(sense.begin() + static_cast<std::ptrdiff_t>(written), sense.end(), std::uint8_t{0});

  if (!ReachedTheDrive(request, ioctlSucceeded)) return;
  ConvertDescriptorSenseToFixed(sense.first(std::max(written, kFixedSenseLength)));
  buffer[pt::kScsiStatus] = static_cast<std::uint8_t>(request.status & 0xFF);
}

void ConvertDescriptorSenseToFixed(std::span<std::uint8_t> sense) {
  if (sense.size() < kDescriptorHeaderLength) return;
  const std::uint8_t responseCode = sense[0] & kResponseCodeMask;
  if (responseCode != kDescriptorSenseCurrent && responseCode != kDescriptorSenseDeferred) return;
  if (sense.size() < kFixedSenseLength) return;

  const std::uint8_t senseKey = sense[kDescriptorSenseKeyByte] & kSenseKeyMask;
  const std::uint8_t asc = sense[kDescriptorAscByte];
  const std::uint8_t ascq = sense[kDescriptorAscqByte];
  std::fill(sense.begin(), sense.end(), std::uint8_t{0});
  sense[0] =
      static_cast<std::uint8_t>(kFixedSenseCurrent + (responseCode - kDescriptorSenseCurrent));
  sense[kFixedSenseKeyByte] = senseKey;
  sense[kFixedAdditionalLengthByte] = kFixedAdditionalLength;
  sense[kFixedAscByte] = asc;
  sense[kFixedAscqByte] = ascq;
}

}  // namespace drivesmith
