#pragma once
// The update of a drive whose boot loader uses the one-megabyte layout.

#include <cstdint>
#include <span>

#include "update/BlockPlan.h"
#include "update/UpdateContext.h"

namespace drivesmith {

// Sends the first megabyte of the image, prepares and writes the flash, and
// waits for the drive. Returns 1 when the drive was updated, 0 otherwise.
// The image's extent makes a read beyond it impossible.
int RunOneMegabyteSequence(UpdateContext& context,
                           std::span<const std::uint8_t, kOneMegabyteImage> image);

}  // namespace drivesmith
