#include "ui/StateTexts.h"

#include <array>
#include <initializer_list>

namespace drivesmith {
namespace {

constexpr const char* kMarked = ">> ";
constexpr const char* kUnmarked = "    ";

// The states whose marker stands on a line, one bit a state.
constexpr std::uint32_t Marks(std::initializer_list<WizardState> states) {
  std::uint32_t bits = 0;
  for (const WizardState state : states) {
    bits |= 1U << StateNumber(state);
  }
  return bits;
}

struct PhaseLine {
  const char* text;
  std::uint32_t markedIn;
};

using PhaseLayout = std::array<PhaseLine, 5>;

constexpr PhaseLayout kOneMegabyteLines = {{
    {"Transferring Writing Data \r\n", Marks({WizardState::TransferFirstArea})},
    {"Confirming SUM Code \r\n", Marks({WizardState::ConfirmSum})},
    {"Erasing Flash ROM \r\n", Marks({WizardState::Erasing})},
    {"Writing Data into Flash ROM \r\n", Marks({WizardState::WriteFirstArea})},
    {"Confirming SUM Code \r\n", Marks({WizardState::FinalSumCheck})},
}};

constexpr PhaseLayout kTwoMegabyteLines = {{
    {"Erasing Flash ROM \r\n", Marks({WizardState::Erasing})},
    {"Transferring Writing Data \r\n",
     Marks({WizardState::TransferFirstArea, WizardState::TransferSecondArea,
            WizardState::TransferBootLoader})},
    {"Confirming SUM Code \r\n", Marks({WizardState::ConfirmSum})},
    {"Writing Data into Flash ROM \r\n",
     Marks({WizardState::WriteFirstArea, WizardState::WriteSecondArea,
            WizardState::WriteBootLoader})},
    {"Confirming SUM Code \r\n", Marks({WizardState::FinalSumCheck})},
}};

std::string PhaseLines(WizardState updateState, FlashSizeCode driveFlashSizeCode) {
  const PhaseLayout& layout =
      driveFlashSizeCode == kFlash2M ? kTwoMegabyteLines : kOneMegabyteLines;
  std::string text;
  for (const PhaseLine& line : layout) {
    const bool marked = (line.markedIn >> StateNumber(updateState) & 1U) != 0;
    text += marked ? kMarked : kUnmarked;
    text += line.text;
  }
  return text;
}

}  // namespace

StatePresentation PresentState(WizardState updateState, FlashSizeCode driveFlashSizeCode) {
  if (IsPhaseState(updateState)) {
    return {PhaseLines(updateState, driveFlashSizeCode), std::nullopt, false};
  }
  switch (updateState) {
    case WizardState::ChooseDrive:
      return {" Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.",
              text::kNext, false};
    case WizardState::ReadyToStart:
      return {" Push Start button and Start to update.", text::kStart, true};
    case WizardState::Completed:
      return {
          " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n"
          " Turn OFF PC & Drive and Reboot them.",
          text::kNext, false};
    case WizardState::Failed:
      return {" Fail to update.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Turn OFF PC and Reboot it.",
              text::kNext, true};
    case WizardState::WrongTypeCode:
      return {
          " Cannot update for different Type Code.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n"
          " Make sure Selected Source File.",
          text::kNext, true};
    case WizardState::NoUpMode:
      return {
          " Cannot change Drive to Up Mode.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n"
          " Make sure Selected Target Drive.",
          text::kNext, true};
    default:
      // No other state occurs; an empty area with Back disabled is what an
      // unknown state would show.
      return {"", std::nullopt, false};
  }
}

}  // namespace drivesmith
