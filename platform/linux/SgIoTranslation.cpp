#include "platform/linux/SgIoTranslation.h"

#include <algorithm>
#include <limits>

#include "transport/ScsiRequest.h"

namespace drivesmith {

namespace {

// Fixed-format sense data (response codes 0x70 current, 0x71 deferred).
constexpr std::uint8_t kFixedSenseCurrent = 0x70;
constexpr std::size_t kFixedSenseKeyByte = 2;
constexpr std::size_t kFixedAdditionalLengthByte = 7;
constexpr std::uint8_t kFixedAdditionalLength = 10;
constexpr std::size_t kFixedAscByte = 12;
constexpr std::size_t kFixedAscqByte = 13;

// Descriptor-format sense data (response codes 0x72 current, 0x73 deferred).
constexpr std::uint8_t kDescriptorSenseCurrent = 0x72;
constexpr std::uint8_t kDescriptorSenseDeferred = 0x73;
constexpr std::size_t kDescriptorSenseKeyByte = 1;
constexpr std::size_t kDescriptorAscByte = 2;
constexpr std::size_t kDescriptorAscqByte = 3;

constexpr std::uint8_t kResponseCodeMask = 0x7F;
constexpr std::uint8_t kSenseKeyMask = 0x0F;

std::optional<int> SgDirection(PassThroughDirection direction) {
  switch (direction) {
    case PassThroughDirection::Out:
      return SG_DXFER_TO_DEV;
    case PassThroughDirection::In:
      return SG_DXFER_FROM_DEV;
    case PassThroughDirection::None:
      return SG_DXFER_NONE;
  }
  return std::nullopt;
}

bool IsSupportedCdbLength(std::size_t length) {
  return std::find(std::begin(kSgIoCdbLengths), std::end(kSgIoCdbLengths), length) !=
         std::end(kSgIoCdbLengths);
}

// Whether the request went to the drive and came back with a status of the
// drive's own. A failed call, an adapter or driver failure and a time-out (an
// adapter or driver failure of its own) all leave no trustworthy status: the
// status byte is then usually 0, which must not be read as GOOD.
bool ReachedTheDrive(const sg_io_hdr_t& sgIo, bool ioctlSucceeded) {
  if (!ioctlSucceeded) return false;
  if (sgIo.host_status != 0) return false;
  if (sgIo.driver_status != kSgDriverOk && sgIo.driver_status != kSgDriverSense) return false;
  const bool infoOk = (sgIo.info & SG_INFO_OK_MASK) == SG_INFO_OK;
  if (!infoOk && sgIo.status == 0) return false;
  return true;
}

// The device time-out as SG_IO takes it.
std::chrono::milliseconds SgIoTimeout(std::chrono::seconds timeout) {
  // SG_IO takes an unsigned int of milliseconds; a time-out too long for it is
  // held at the longest one that fits, one below zero at none.
  constexpr auto kLongest = std::chrono::milliseconds(std::numeric_limits<unsigned int>::max());
  if (timeout <= std::chrono::seconds{0}) return std::chrono::milliseconds{0};
  if (timeout > std::chrono::duration_cast<std::chrono::seconds>(kLongest)) return kLongest;
  return timeout;
}

}  // namespace

std::optional<sg_io_hdr_t> BuildSgIoRequest(const PassThroughRequest& request) {
  std::fill(request.sense.begin(), request.sense.end(), std::uint8_t{0});
  if (!IsSupportedCdbLength(request.commandBlock.size())) return std::nullopt;
  const std::optional<int> direction = SgDirection(request.direction);
  if (!direction || request.data.size() > passthrough::kDataCapacity) return std::nullopt;

  sg_io_hdr_t sgIo{};
  sgIo.interface_id = 'S';
  sgIo.dxfer_direction = *direction;
  sgIo.cmd_len = static_cast<unsigned char>(request.commandBlock.size());
  // SG_IO only reads the command block.
  sgIo.cmdp = const_cast<unsigned char*>(request.commandBlock.data());
  sgIo.mx_sb_len = static_cast<unsigned char>(
      std::min(request.sense.size(), std::size_t{std::numeric_limits<unsigned char>::max()}));
  sgIo.sbp = request.sense.data();
  // Without a data phase the kernel must not map any buffer.
  if (*direction != SG_DXFER_NONE) {
    sgIo.dxferp = request.data.data();
    sgIo.dxfer_len = static_cast<unsigned int>(request.data.size());
  }
  sgIo.timeout = static_cast<unsigned int>(SgIoTimeout(request.timeout).count());
  return sgIo;
}

std::uint8_t ApplySgIoResult(const sg_io_hdr_t& sgIo, bool ioctlSucceeded,
                             std::span<std::uint8_t> sense) {
  const std::size_t written =
      ioctlSucceeded
          ? std::min({std::size_t{sgIo.sb_len_wr}, std::size_t{sgIo.mx_sb_len}, sense.size()})
          : 0;
  std::fill(sense.begin() + static_cast<std::ptrdiff_t>(written), sense.end(), std::uint8_t{0});

  if (!ReachedTheDrive(sgIo, ioctlSucceeded)) return kPassThroughStatusUnset;
  ConvertDescriptorSenseToFixed(sense);
  return static_cast<std::uint8_t>(sgIo.status & 0xFF);
}

void ConvertDescriptorSenseToFixed(std::span<std::uint8_t> sense) {
  if (sense.size() <= kFixedAscqByte) return;
  const std::uint8_t responseCode = sense[0] & kResponseCodeMask;
  if (responseCode != kDescriptorSenseCurrent && responseCode != kDescriptorSenseDeferred) return;

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
