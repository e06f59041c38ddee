// The state texts in both phase layouts, and the wizard's handlers on a
// recording view in front of a simulated drive.

#include <gtest/gtest.h>

#include "headless/HeadlessRunner.h"
#include "tests/app/PackedProgram.h"
#include "tests/support/ExpectedStateTexts.h"
#include "tests/update/UpdateBench.h"
#include "ui/InputGuard.h"
#include "ui/StateTexts.h"

namespace drivesmith {
namespace {

using namespace testing_support;

TEST(StateTextsTest, EveryStateInBothLayouts) {
  for (std::int32_t state = 0; state < 15; ++state) {
    for (const FlashSizeCode code : {kFlash1M, kFlash2M}) {
      SCOPED_TRACE(::testing::Message() << "state " << state << " code " << int{code});
      const std::string expected = expected::StateText(state, code == kFlash2M);
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
