#pragma once
// Translation between a pass-through request and the Linux SG_IO request, in
// both directions. Pure functions: they touch nothing but the request and the
// spans they are given.

#include <scsi/sg.h>

#include <cstdint>
#include <optional>
#include <span>

#include "transport/PassThroughLayer.h"

namespace drivesmith {

// Command block lengths a request may carry.
inline constexpr std::uint8_t kSgIoCdbLengths[] = {6, 10, 12, 16};

// Driver status values that still carry a SCSI status of their own.
inline constexpr std::uint16_t kSgDriverOk = 0x00;
inline constexpr std::uint16_t kSgDriverSense = 0x08;  // DRIVER_SENSE

// Builds the SG_IO request for `request`. Clears the sense span first. The
// SG_IO request points into the command block, data and sense spans, which
// must outlive it. Nothing when SG_IO cannot carry the request faithfully (a
// command block length other than 6, 10, 12 or 16, a data span longer than
// the data capacity).
std::optional<sg_io_hdr_t> BuildSgIoRequest(const PassThroughRequest& request);

// The outcome of an SG_IO request built by BuildSgIoRequest for a request
// with the sense span `sense`. `ioctlSucceeded` is whether the SG_IO call
// itself returned 0. Returns the drive's SCSI status byte when the request
// reached the drive and came back from it; any failure of the kernel, the
// host adapter or its driver, a time-out included, gives
// kPassThroughStatusUnset. Sense data in descriptor format is rewritten in
// fixed format; sense bytes beyond what the kernel wrote are zero.
std::uint8_t ApplySgIoResult(const sg_io_hdr_t& sgIo, bool ioctlSucceeded,
                             std::span<std::uint8_t> sense);

// Rewrites descriptor-format sense data (response code 0x72 or 0x73) in place
// as fixed-format sense data (0x70 or 0x71) with the same sense key, ASC and
// ASCQ, as far as `sense` has room for it (the ASCQ is byte 13). Other sense
// data is left as it is.
void ConvertDescriptorSenseToFixed(std::span<std::uint8_t> sense);

}  // namespace drivesmith
