#pragma once
// The values of the dialog that the update engine reads and changes.

#include <cstdint>

#include "image/LoaderTable.h"

namespace drivesmith {

// The wizard's states: what the state area shows and which line is marked.
// The numbers are the states' own; the demo prints them and the fault reports
// name them.
enum class WizardState : std::int32_t {
  ChooseDrive = 0,
  ReadyToStart = 1,
  TransferFirstArea = 2,  // the only transfer of the 1M layout
  TransferSecondArea = 3,
  TransferBootLoader = 4,
  ConfirmSum = 5,
  Erasing = 6,
  WriteFirstArea = 7,  // also the drive's writing phase
  WriteSecondArea = 8,
  WriteBootLoader = 9,
  FinalSumCheck = 10,
  Completed = 11,
  Failed = 12,
  WrongTypeCode = 13,
  NoUpMode = 14,
};

constexpr std::int32_t StateNumber(WizardState state) { return static_cast<std::int32_t>(state); }

// States 2 to 10 exist only while an update runs; they show the phase lines.
constexpr bool IsPhaseState(WizardState state) {
  return state >= WizardState::TransferFirstArea && state <= WizardState::FinalSumCheck;
}

// The progress bar's range; a finished update sets the counter to its end.
inline constexpr std::int32_t kProgressEmpty = 0;
inline constexpr std::int32_t kProgressFull = 1000;

struct EngineState {
  // Wizard state; see the dialog's state table.
  WizardState UpdateState = WizardState::ChooseDrive;
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
