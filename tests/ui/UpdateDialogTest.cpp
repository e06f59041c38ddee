// The state texts in both phase layouts, and the wizard's handlers on a
// recording view in front of a simulated drive.

#include <gtest/gtest.h>

#include "headless/HeadlessRunner.h"
#include "tests/app/PackedProgram.h"
#include "tests/update/UpdateBench.h"
#include "ui/InputGuard.h"
#include "ui/StateTexts.h"

namespace drivesmith {
namespace {

using namespace testing_support;

TEST(StateTextsTest, EveryStateInBothLayouts) {
  const std::string ng = "\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n ";
  const std::string fixed[15] = {
      " Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.",
      " Push Start button and Start to update.",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
      " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n Turn OFF PC & "
      "Drive and Reboot them.",
      " Fail to update." + ng + "Turn OFF PC and Reboot it.",
      " Cannot update for different Type Code." + ng + "Make sure Selected Source File.",
      " Cannot change Drive to Up Mode." + ng + "Make sure Selected Target Drive."};
  const char* const lines1M[5] = {"Transferring Writing Data", "Confirming SUM Code",
                                  "Erasing Flash ROM", "Writing Data into Flash ROM",
                                  "Confirming SUM Code"};
  const char* const lines2M[5] = {lines1M[2], lines1M[0], lines1M[1], lines1M[3], lines1M[4]};
  // The line marked in each phase state 2 to 10 (0: none), per layout.
  const int marked1M[9] = {1, 0, 0, 2, 3, 4, 0, 0, 5};
  const int marked2M[9] = {2, 2, 2, 3, 1, 4, 4, 4, 5};
  for (std::int32_t state = 0; state < 15; ++state) {
    for (const FlashSizeCode code : {kFlash1M, kFlash2M}) {
      SCOPED_TRACE(::testing::Message() << "state " << state << " code " << int{code});
      std::string expected = fixed[state];
      if (expected.empty()) {
        const int marked = (code == kFlash2M ? marked2M : marked1M)[state - 2];
        for (int i = 0; i < 5; ++i)
          expected += std::string(i + 1 == marked ? ">> " : "    ") +
                      (code == kFlash2M ? lines2M : lines1M)[i] + " \r\n";
      }
      const StatePresentation shown = PresentState(static_cast<WizardState>(state), code);
      EXPECT_EQ(shown.stateText, expected);
      EXPECT_EQ(shown.backEnabled, state == 1 || state >= 12);
      EXPECT_EQ(shown.nextStartLabel.value_or(""),
                state == 1 ? "Start" : (state < 2 || state > 10 ? "Next >" : ""));
    }
  }
}

// Next > and Start through the state table, Back, the logo, Close and Reboot;
// the restart asks for the shutdown privilege on both pass-through families.
TEST(UpdateDialogTest, StateTableBackLogoAndClose) {
  const struct {
    bool fails;
    TransportMode mode;
    std::vector<bool> restarts;  // the privilege flag of each restart requested
  } rows[] = {{false, TransportMode::Aspi, {false}},
              {false, TransportMode::PassThroughCdrom, {true}},
              {false, TransportMode::PassThroughLetter, {true}},
              {true, TransportMode::PassThroughLetter, {}}};
  for (const auto& [fails, mode, restarts] : rows) {
    SCOPED_TRACE(::testing::Message() << (fails ? "failing drive, mode " : "good drive, mode ")
                                      << static_cast<int>(mode));
    UpdateBench bench(mode);
    sim::DriveModel model = DriveOf(sim::LoaderLayout::TwoMegabyte);
    if (fails) model.faults.failCommandNumber = 3;  // PrepareFlash
    bench.AddDrive(model);
    PackedProgram program(2);
    NullSystemPower power;
    HeadlessRunner runner(bench.transport, program.File(), bench.clock, &power);
    UpdateDialog& dialog = runner.Dialog();
    const RecordingDialogView& view = runner.View();
    auto state = [&] { return dialog.State().UpdateState; };
    dialog.InitDialog();
    for (int i = 0; i < 5; ++i) dialog.OnLogoClick();
    EXPECT_FALSE(view.Control(ControlId::UpdateLoader).visible);
    dialog.OnLogoClick();
    EXPECT_TRUE(view.Control(ControlId::UpdateLoader).visible);

    dialog.OnNextStart();
    EXPECT_EQ(state(), WizardState::ReadyToStart);
    EXPECT_EQ(view.Control(ControlId::NextStart).text, "Start");
    dialog.OnBack();
    EXPECT_EQ(state(), WizardState::ChooseDrive);
    dialog.OnNextStart();
    dialog.OnNextStart();
    EXPECT_EQ(state(), fails ? WizardState::Failed : WizardState::Completed);
    EXPECT_EQ(view.Control(ControlId::Close).text == "Reboot", !fails);
    EXPECT_FALSE(view.Control(ControlId::NextStart).enabled);
    if (fails) {
      dialog.OnBack();
      EXPECT_EQ(state(), WizardState::ChooseDrive);
      EXPECT_FALSE(view.Control(ControlId::NextStart).enabled);
    }
    // Reboot restarts and keeps the dialog; Close ends it.
    dialog.OnCloseReboot();
    EXPECT_EQ(power.RestartRequests(), restarts);
    EXPECT_EQ(view.Result(), fails ? std::optional(DialogResult::Ok) : std::nullopt);
    if (!fails) dialog.OnCancel();
    EXPECT_EQ(view.Result(), fails ? DialogResult::Ok : DialogResult::Cancel);
  }
}

// Start needs a deliberate second press: not within the double-click time
// (400 ms here) of the press that showed it, also across the wrap of the
// 32-bit message time. Input during the update does nothing, and the input
// queued meanwhile is dropped once, when it ends.
TEST(InputGuardTest, DoubleClickNeverStartsAnUpdate) {
  struct Queue : QueuedInput {
    void ServeAllButInput() override { ++served; }
    void DropQueuedInput() override { ++dropped; }
    int served = 0, dropped = 0;
  } queue;
  UpdateBench bench;
  bench.AddDrive(DriveOf(sim::LoaderLayout::TwoMegabyte));
  PackedProgram program(2);
  NullSystemPower power;
  HeadlessRunner runner(bench.transport, program.File(), bench.clock, &power);
  UpdateDialog& dialog = runner.Dialog();
  InputGuard guard(queue, std::chrono::milliseconds(400));
  guard.Attach(&dialog);
  dialog.InitDialog();
  auto press = [&](std::uint32_t ms) { guard.Press(DialogInput::NextStart, InputTime(ms)); };

  press(1000);
  press(1399);
  EXPECT_EQ(dialog.State().UpdateState, WizardState::ReadyToStart);
  guard.Press(DialogInput::Back, InputTime(1500));
  press(0xFFFFFF00u);
  press(0xFFFFFF00u + 399u);  // 143, after the wrap
  EXPECT_EQ(dialog.State().UpdateState, WizardState::ReadyToStart);
  int pressesDuringUpdate = 0;
  runner.View().OnRepaint([&] {
    guard.NoteBusy();
    if (dialog.UpdateRunning() && pressesDuringUpdate++ == 0) {
      guard.Press(DialogInput::Back, InputTime(200));
      guard.Press(DialogInput::Cancel, InputTime(200));
    }
  });
  EXPECT_EQ(queue.served, 0);
  press(0xFFFFFF00u + 400u);
  EXPECT_EQ(dialog.State().UpdateState, WizardState::Completed);
  EXPECT_FALSE(runner.View().Result().has_value());
  EXPECT_GT(queue.served, 0);
  EXPECT_EQ(queue.dropped, 1);
}

}  // namespace
}  // namespace drivesmith
