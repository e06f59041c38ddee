// Every state's text, label and Back state, in both phase layouts.

#include <gtest/gtest.h>

#include <string>

#include "ui/StateTexts.h"

namespace drivesmith {
namespace {

const std::string kState0 =
    " Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.";
const std::string kState1 = " Push Start button and Start to update.";
const std::string kState11 =
    " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n Turn OFF PC & "
    "Drive and Reboot them.";
const std::string kState12 =
    " Fail to update.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Turn OFF PC and Reboot it.";
const std::string kState13 =
    " Cannot update for different Type Code.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Make sure "
    "Selected Source File.";
const std::string kState14 =
    " Cannot change Drive to Up Mode.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Make sure Selected "
    "Target Drive.";

const char* const kLines1M[5] = {"Transferring Writing Data \r\n", "Confirming SUM Code \r\n",
                                 "Erasing Flash ROM \r\n", "Writing Data into Flash ROM \r\n",
                                 "Confirming SUM Code \r\n"};
const char* const kLines2M[5] = {"Erasing Flash ROM \r\n", "Transferring Writing Data \r\n",
                                 "Confirming SUM Code \r\n", "Writing Data into Flash ROM \r\n",
                                 "Confirming SUM Code \r\n"};

// The five lines with the marker on line `marked` (1 to 5; 0 for none).
std::string Lines(const char* const (&lines)[5], int marked) {
  std::string text;
  for (int i = 0; i < 5; ++i) {
    text += (i + 1 == marked ? ">> " : "    ");
    text += lines[i];
  }
  return text;
}

struct StateCase {
  std::int32_t state;
  int marked1M;  // line marked in the one-megabyte layout
  int marked2M;
};

class PhaseStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(PhaseStateTest, MarkerStandsOnTheStatesLine) {
  const StateCase& c = GetParam();
  for (const FlashSizeCode code : {FlashSizeCode{0}, FlashSizeCode{1}, FlashSizeCode{3}}) {
    const StatePresentation shown = PresentState(c.state, code);
    EXPECT_EQ(shown.stateText, Lines(kLines1M, c.marked1M)) << "code " << int{code};
    EXPECT_FALSE(shown.nextStartLabel.has_value());
    EXPECT_FALSE(shown.backEnabled);
  }
  const StatePresentation shown = PresentState(c.state, kFlash2M);
  EXPECT_EQ(shown.stateText, Lines(kLines2M, c.marked2M));
  EXPECT_FALSE(shown.nextStartLabel.has_value());
  EXPECT_FALSE(shown.backEnabled);
}

INSTANTIATE_TEST_SUITE_P(States, PhaseStateTest,
                         ::testing::Values(StateCase{2, 1, 2}, StateCase{3, 0, 2},
                                           StateCase{4, 0, 2}, StateCase{5, 2, 3},
                                           StateCase{6, 3, 1}, StateCase{7, 4, 4},
                                           StateCase{8, 0, 4}, StateCase{9, 0, 4},
                                           StateCase{10, 5, 5}));

struct FixedCase {
  std::int32_t state;
  const std::string* text;
  const char* label;
  bool back;
};

class FixedStateTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedStateTest, FixedTextInBothLayouts) {
  const FixedCase& c = GetParam();
  for (const FlashSizeCode code : {kFlash1M, kFlash2M}) {
    const StatePresentation shown = PresentState(c.state, code);
    EXPECT_EQ(shown.stateText, *c.text);
    EXPECT_EQ(shown.nextStartLabel, std::optional<std::string>(c.label));
    EXPECT_EQ(shown.backEnabled, c.back);
  }
}

INSTANTIATE_TEST_SUITE_P(States, FixedStateTest,
                         ::testing::Values(FixedCase{0, &kState0, "Next >", false},
                                           FixedCase{1, &kState1, "Start", true},
                                           FixedCase{11, &kState11, "Next >", false},
                                           FixedCase{12, &kState12, "Next >", true},
                                           FixedCase{13, &kState13, "Next >", true},
                                           FixedCase{14, &kState14, "Next >", true}));

TEST(StateTextsTest, ExampleOfTheTwoMegabyteTransferLine) {
  EXPECT_EQ(PresentState(2, kFlash2M).stateText,
            "    Erasing Flash ROM \r\n"
            ">> Transferring Writing Data \r\n"
            "    Confirming SUM Code \r\n"
            "    Writing Data into Flash ROM \r\n"
            "    Confirming SUM Code \r\n");
}

}  // namespace
}  // namespace drivesmith
