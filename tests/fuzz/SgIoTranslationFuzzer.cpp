// The translation between the pass-through buffer and SG_IO: any buffer,
// whatever its header says, and any outcome the kernel might report.
//
// Input: 2 bytes of buffer length, the buffer's bytes (zero past the input),
// then the kernel's outcome: ioctl result, status, host and driver status,
// info, sense length written, sense bytes and data read.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/linux/SgIoTranslation.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"
#include "transport/ScsiRequest.h"

namespace pt = drivesmith::passthrough;
using drivesmith::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  drivesmith::fuzz::FuzzInput input(data, size);
  // Up to a little more than the largest buffer the transport hands over.
  std::vector<std::uint8_t> buffer(input.Number(2) % (pt::kBufferLength + 64 + 1));
  const auto bytes = input.Bytes(buffer.size());
  std::copy(bytes.begin(), bytes.end(), buffer.begin());

  const std::optional<sg_io_hdr_t> built = drivesmith::BuildSgIoRequest(buffer);
  if (buffer.size() > pt::kScsiStatus) {
    Check(buffer[pt::kScsiStatus] == pt::kStatusUnset, "building presets the status");
  }
  sg_io_hdr_t request{};
  if (built) {
    request = *built;
    const auto* begin = buffer.data();
    const auto* end = buffer.data() + buffer.size();
    Check(request.cmdp >= begin && request.cmdp + request.cmd_len <= end,
          "the command block lies in the buffer");
    Check(request.sbp >= begin && request.sbp + request.mx_sb_len <= end,
          "the sense area lies in the buffer");
    if (request.dxfer_direction == SG_DXFER_NONE) {
      Check(request.dxferp == nullptr && request.dxfer_len == 0, "no data phase maps no data");
    } else {
      const auto* first = static_cast<const std::uint8_t*>(request.dxferp);
      Check(first >= begin && first + request.dxfer_len <= end, "the data lies in the buffer");
    }
    // The kernel's side: it writes sense data and read data where it was told.
    const auto sense = input.Bytes(request.mx_sb_len);
    std::copy(sense.begin(), sense.end(), request.sbp);
    if (request.dxfer_direction == SG_DXFER_FROM_DEV) {
      const auto read = input.Bytes(request.dxfer_len);
      std::copy(read.begin(), read.end(), static_cast<std::uint8_t*>(request.dxferp));
    }
  }
  // Any outcome, also for a request the translation would not have built.
  const bool ioctlSucceeded = input.Flag();
  request.status = input.Byte();
  request.host_status = static_cast<unsigned short>(input.Number(2));
  request.driver_status = static_cast<unsigned short>(input.Number(2));
  request.info = input.Byte();
  request.sb_len_wr = input.Byte();
  if (!built) request.mx_sb_len = input.Byte();
  request.resid = static_cast<int>(input.Number(4));

  drivesmith::ApplySgIoResult(request, ioctlSucceeded, buffer);
  if (buffer.size() >= pt::kDataOffset) {
    const bool reached = ioctlSucceeded && request.host_status == 0 &&
                         (request.driver_status == drivesmith::kSgDriverOk ||
                          request.driver_status == drivesmith::kSgDriverSense);
    if (!reached) {
      Check(buffer[pt::kScsiStatus] == pt::kStatusUnset,
            "an outcome that never reached the drive leaves the status unset");
    }
    if (!ioctlSucceeded) {
      Check(std::all_of(buffer.begin() + pt::kSenseOffset,
                        buffer.begin() + pt::kSenseOffset + pt::kSenseAreaLength,
                        [](std::uint8_t b) { return b == 0; }),
            "a failed call leaves no sense data");
    }
  }

  // Sense data of any length and format.
  std::vector<std::uint8_t> sense(input.Byte() % 40);
  const auto senseBytes = input.Rest();
  std::copy_n(senseBytes.begin(), std::min(sense.size(), senseBytes.size()), sense.begin());
  drivesmith::ConvertDescriptorSenseToFixed(sense);
  return 0;
}
