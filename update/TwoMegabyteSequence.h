#pragma once
// The update of a drive whose boot loader uses the two-megabyte layout.

#include <cstdint>
#include <span>

#include "update/BlockPlan.h"
#include "update/UpdateContext.h"

namespace drivesmith {

// Erases the flash, sends both main areas with their sums, and with
// LoaderUpdateFlag 1 the boot-loader area, waiting for the drive after each
// step. Returns 1 when every step succeeded, 0 at the first failure.
int RunTwoMegabyteSequence(UpdateContext& context,
                           std::span<const std::uint8_t, kTwoMegabyteImage> image);

// The 16-bit sum of `bytes`, modulo 0x10000.
std::uint16_t AreaSum(std::span<const std::uint8_t> bytes, std::uint16_t start = 0);

}  // namespace drivesmith
