#pragma once
// Following the drive's own work on its flash through its sense codes.

#include <cstdint>

#include "update/UpdateContext.h"

namespace drivesmith {

namespace sense {
inline constexpr std::uint8_t kNoSense = 0x00;
inline constexpr std::uint8_t kInvalidOperationCode = 0x20;
inline constexpr std::uint8_t kMediumNotPresent = 0x3A;
inline constexpr std::uint8_t kDrivePhase = 0xF7;
}  // namespace sense

// Polls with TestUnitReady (RequestSense ahead of it with TransportMode 2)
// until the drive gives the finish signal (returns 1) or reports an error
// (returns 0). Also returns 0 when the wait reaches timing::kWaitForDriveLimit.
int WaitForDrive(UpdateContext& context);

}  // namespace drivesmith
