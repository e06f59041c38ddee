#pragma once
// Following the drive's own work on its flash through its sense codes.

#include <cstdint>

#include "drive/SenseCodes.h"
#include "update/UpdateContext.h"

namespace drivesmith {

// Polls with TestUnitReady (RequestSense ahead of it with TransportMode 2)
// until the drive gives the finish signal (returns 1) or reports an error
// (returns 0). Also returns 0 when the wait reaches timing::kWaitForDriveLimit.
int WaitForDrive(UpdateContext& context);

}  // namespace drivesmith
