// The translation between a pass-through request and SG_IO: any command
// block length, direction, data and sense room and time-out, and any outcome
// the kernel might report.
//
// Input: command block length, direction, data length, sense room and
// time-out, then the kernel's outcome: ioctl result, status, host and driver
// status, info, sense length written, sense bytes and data read.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/linux/SgIoTranslation.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"
#include "transport/ScsiRequest.h"

using drivesmith::fuzz::Check;

namespace {

bool Within(const void* first, std::size_t length, const std::vector<std::uint8_t>& bytes) {
  const auto* begin = static_cast<const std::uint8_t*>(first);
  return begin >= bytes.data() && begin + length <= bytes.data() + bytes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  drivesmith::fuzz::FuzzInput input(data, size);
  std::vector<std::uint8_t> cdb(input.Byte() % 20, 0x12);
  const auto direction = static_cast<drivesmith::PassThroughDirection>(input.Byte() % 4);
  // Up to a little more than the largest data phase the transport hands over.
  std::vector<std::uint8_t> bytes(input.Number(2) % (drivesmith::passthrough::kDataCapacity + 65));
  std::vector<std::uint8_t> sense(input.Byte() % 40, 0xEE);
  const auto timeout = std::chrono::seconds(static_cast<std::int32_t>(input.Number(4)));
  const drivesmith::PassThroughRequest command{cdb, direction, bytes, sense, timeout};

  const std::optional<sg_io_hdr_t> built = drivesmith::BuildSgIoRequest(command);
  Check(std::all_of(sense.begin(), sense.end(), [](std::uint8_t b) { return b == 0; }),
        "building clears the sense room");
  sg_io_hdr_t request{};
  if (built) {
    request = *built;
    Check(request.cmdp == cdb.data() && request.cmd_len == cdb.size(),
          "the command block as given");
    Check(Within(request.sbp, request.mx_sb_len, sense), "the sense area lies in the sense room");
    if (request.dxfer_direction == SG_DXFER_NONE) {
      Check(request.dxferp == nullptr && request.dxfer_len == 0, "no data phase maps no data");
    } else {
      Check(Within(request.dxferp, request.dxfer_len, bytes), "the data lies in the data span");
    }
    // The kernel's side: it writes sense data and read data where it was told.
    const auto senseIn = input.Bytes(request.mx_sb_len);
    std::copy(senseIn.begin(), senseIn.end(), request.sbp);
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

  const std::uint8_t status = drivesmith::ApplySgIoResult(request, ioctlSucceeded, sense);
  const bool reached = ioctlSucceeded && request.host_status == 0 &&
                       (request.driver_status == drivesmith::kSgDriverOk ||
                        request.driver_status == drivesmith::kSgDriverSense);
  if (!reached) {
    Check(status == drivesmith::kPassThroughStatusUnset,
          "an outcome that never reached the drive has no status");
  }
  if (!ioctlSucceeded) {
    Check(std::all_of(sense.begin(), sense.end(), [](std::uint8_t b) { return b == 0; }),
          "a failed call leaves no sense data");
  }

  // Sense data of any length and format.
  std::vector<std::uint8_t> anySense(input.Byte() % 40);
  const auto senseBytes = input.Rest();
  std::copy_n(senseBytes.begin(), std::min(anySense.size(), senseBytes.size()), anySense.begin());
  drivesmith::ConvertDescriptorSenseToFixed(anySense);
  return 0;
}
