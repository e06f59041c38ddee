#pragma once
// The values of the dialog that the update engine reads and changes.

#include <cstdint>

#include "image/LoaderTable.h"

namespace drivesmith {

struct EngineState {
  // Wizard state, 0 to 14; see the dialog's state table.
  std::int32_t UpdateState = 0;
  // Progress position; the bar's range is 0 to 1000. Not capped.
  std::int32_t ProgressCounter = 0;
  // 1 when the boot-loader area is rewritten as well.
  std::uint32_t LoaderUpdateFlag = 0;
  // Version of the drive's boot loader; selects the layout of ConfirmSumCode.
  double LoaderVersion = 0.0;
  // Flash layouts of the image and of the drive's boot loader.
  FlashSizeCode ImageFlashSizeCode = kFlash1M;
  FlashSizeCode DriveFlashSizeCode = kFlash1M;
};

}  // namespace drivesmith
