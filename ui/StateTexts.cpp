#include "ui/StateTexts.h"

#include <array>

namespace drivesmith {
namespace {

constexpr const char* kMarked = ">> ";
constexpr const char* kUnmarked = "    ";

struct PhaseLine {
  const char* text;
  std::array<std::int32_t, 3> markedIn;  // states whose marker stands on this line; 0 pads
};

using PhaseLayout = std::array<PhaseLine, 5>;

constexpr PhaseLayout kOneMegabyteLines = {{
    {"Transferring Writing Data \r\n", {2, 0, 0}},
    {"Confirming SUM Code \r\n", {5, 0, 0}},
    {"Erasing Flash ROM \r\n", {6, 0, 0}},
    {"Writing Data into Flash ROM \r\n", {7, 0, 0}},
    {"Confirming SUM Code \r\n", {10, 0, 0}},
}};

constexpr PhaseLayout kTwoMegabyteLines = {{
    {"Erasing Flash ROM \r\n", {6, 0, 0}},
    {"Transferring Writing Data \r\n", {2, 3, 4}},
    {"Confirming SUM Code \r\n", {5, 0, 0}},
    {"Writing Data into Flash ROM \r\n", {7, 8, 9}},
    {"Confirming SUM Code \r\n", {10, 0, 0}},
}};

std::string PhaseLines(std::int32_t updateState, FlashSizeCode driveFlashSizeCode) {
  const PhaseLayout& layout =
      driveFlashSizeCode == kFlash2M ? kTwoMegabyteLines : kOneMegabyteLines;
  std::string text;
  for (const PhaseLine& line : layout) {
    bool marked = false;
    for (const std::int32_t state : line.markedIn) {
      marked = marked || state == updateState;
    }
    text += marked ? kMarked : kUnmarked;
    text += line.text;
  }
  return text;
}

}  // namespace

StatePresentation PresentState(std::int32_t updateState, FlashSizeCode driveFlashSizeCode) {
  if (updateState >= kFirstPhaseState && updateState <= kLastPhaseState) {
    return {PhaseLines(updateState, driveFlashSizeCode), std::nullopt, false};
  }
  switch (updateState) {
    case 0:
      return {" Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.",
              text::kNext, false};
    case 1:
      return {" Push Start button and Start to update.", text::kStart, true};
    case 11:
      return {
          " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n"
          " Turn OFF PC & Drive and Reboot them.",
          text::kNext, false};
    case 12:
      return {" Fail to update.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Turn OFF PC and Reboot it.",
              text::kNext, true};
    case 13:
      return {
          " Cannot update for different Type Code.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n"
          " Make sure Selected Source File.",
          text::kNext, true};
    case 14:
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
