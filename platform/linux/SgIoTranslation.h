#pragma once
// Translation between the pass-through buffer (header, sense area and data in
// one block) and the Linux SG_IO request, in both directions. Pure functions:
// they touch nothing but the buffer and the request they are given.

#include <scsi/sg.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace drivesmith {

// Command block lengths a request may carry.
inline constexpr std::uint8_t kSgIoCdbLengths[] = {6, 10, 12, 16};

// Driver status values that still carry a SCSI status of their own.
inline constexpr std::uint16_t kSgDriverOk = 0x00;
inline constexpr std::uint16_t kSgDriverSense = 0x08;  // DRIVER_SENSE

// The device time-out of the header, in seconds, as SG_IO takes it.
std::chrono::milliseconds SgIoTimeout(std::uint32_t headerSeconds);

// Builds the SG_IO request for `buffer`. Presets ScsiStatus to 0xFF and clears
// the sense area first. The request points into `buffer`, which must outlive
// it. Nothing when the header asks for something SG_IO cannot be given
// faithfully (a command block length other than 6, 10, 12 or 16, an unknown
// direction, a data length above the data capacity or beyond the buffer);
// ScsiStatus then stays 0xFF.
std::optional<sg_io_hdr_t> BuildSgIoRequest(std::span<std::uint8_t> buffer);

// Writes the outcome of an SG_IO request built by BuildSgIoRequest back into
// `buffer`. `ioctlSucceeded` is whether the SG_IO call itself returned 0.
// ScsiStatus becomes the drive's SCSI status byte only when the request
// reached the drive and came back from it; any failure of the kernel, the
// host adapter or its driver, a time-out included, leaves 0xFF. Sense data in
// descriptor format is rewritten in fixed format; sense bytes beyond what the
// kernel wrote are zero.
void ApplySgIoResult(const sg_io_hdr_t& request, bool ioctlSucceeded,
                     std::span<std::uint8_t> buffer);

// Rewrites descriptor-format sense data (response code 0x72 or 0x73) in place
// as fixed-format sense data (0x70 or 0x71) with the same sense key, ASC and
// ASCQ. Other sense data is left as it is.
void ConvertDescriptorSenseToFixed(std::span<std::uint8_t> sense);

}  // namespace drivesmith
