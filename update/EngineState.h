#pragma once
// The values of the dialog that the update engine reads and changes.

#include <cstdint>

#include "image/LoaderTable.h"

namespace drivesmith {

// The wizard's states: what the state area shows and which line is marked.
namespace wizard {
inline constexpr std::int32_t kChooseDrive = 0;
inline constexpr std::int32_t kReadyToStart = 1;
inline constexpr std::int32_t kTransferFirstArea = 2;  // the only transfer of the 1M layout
inline constexpr std::int32_t kTransferSecondArea = 3;
inline constexpr std::int32_t kTransferBootLoader = 4;
inline constexpr std::int32_t kConfirmSum = 5;
inline constexpr std::int32_t kErasing = 6;
inline constexpr std::int32_t kWriteFirstArea = 7;  // also the drive's writing phase
inline constexpr std::int32_t kWriteSecondArea = 8;
inline constexpr std::int32_t kWriteBootLoader = 9;
inline constexpr std::int32_t kFinalSumCheck = 10;
inline constexpr std::int32_t kCompleted = 11;
inline constexpr std::int32_t kFailed = 12;
inline constexpr std::int32_t kWrongTypeCode = 13;
inline constexpr std::int32_t kNoUpMode = 14;
}  // namespace wizard

// The progress bar's range; a finished update sets the counter to its end.
inline constexpr std::int32_t kProgressEmpty = 0;
inline constexpr std::int32_t kProgressFull = 1000;

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
