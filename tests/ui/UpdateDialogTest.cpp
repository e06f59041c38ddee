// The wizard's handlers on a recording view: initialisation, the state table
// of the Next > / Start button, Back, the logo, Close and Reboot, and the
// guards around a running update.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/DialogBench.h"
#include "ui/StateTexts.h"

namespace drivesmith {
namespace {

using testing_support::DialogBench;
using Kind = ViewOperation::Kind;

const std::string kState0 =
    " Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.";
const std::string kState1 = " Push Start button and Start to update.";

int IndexOf(const std::vector<ViewOperation>& operations, Kind kind, std::size_t from = 0) {
  for (std::size_t i = from; i < operations.size(); ++i) {
    if (operations[i].kind == kind) return static_cast<int>(i);
  }
  return -1;
}

class UpdateDialogTest : public ::testing::Test {
 protected:
  // A two-megabyte drive and image unless a test says otherwise.
  void Setup(const sim::DriveModel& model = testing_support::TwoMegabyteDrive(),
             SyntheticImageOptions image = testing_support::ImageOptions(2)) {
    b_.bench.AddDrive(model, 0);
    b_.bench.PackImage(image);
    b_.Init();
  }
  void Press() { b_.dialog->OnNextStart(); }
  std::int32_t StateNow() const { return b_.State().UpdateState; }

  DialogBench b_;
};

TEST_F(UpdateDialogTest, InitDialogPreparesTheWindowInOrder) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  SyntheticImageOptions image = testing_support::ImageOptions(2);
  image.description = std::string(
      "TAVIX   \0ZWR2040 DVD-RW  \0"
      "1.\x80",
      29);
  b_.bench.AddDrive(model, 0);
  b_.bench.AddDrive(model, 3);
  b_.bench.PackImage(image);
  b_.Build();
  EXPECT_TRUE(b_.dialog->InitDialog());

  const RecordingDialogView& view = b_.view;
  EXPECT_EQ(view.Caption(), "Tavix Drivesmith Ver. 10.0");
  EXPECT_TRUE(view.IconsSet());
  EXPECT_FALSE(b_.Control(ControlId::UpdateLoader).visible);
  EXPECT_EQ(b_.Control(ControlId::Title).text,
            "DVD/CD Rewritable Drive F/W Update Program\r\nDrivesmith");
  EXPECT_EQ(b_.Control(ControlId::NextStart).text, "Next >");
  EXPECT_FALSE(b_.Control(ControlId::Back).enabled);
  EXPECT_EQ(view.ProgressHigh(), 1000);
  EXPECT_EQ(b_.Control(ControlId::StateArea).text, kState0);
  EXPECT_EQ(view.ListEntries(),
            (std::vector<std::string>{"cdrom0 :  TAVIX   ZWR2040 DVD-RW  1.00",
                                      "cdrom3 :  TAVIX   ZWR2040 DVD-RW  1.00"}));
  EXPECT_EQ(view.SelectedIndex(), 0);
  EXPECT_EQ(b_.Control(ControlId::Information).text, "TAVIX    ZWR2040 DVD-RW   1.  ");
  EXPECT_EQ(b_.State().ImageFlashSizeCode, kFlash2M);

  // State 0 is shown while the list is still empty; the list is filled
  // after the refresh and the header read after the selection.
  const auto& ops = view.Operations();
  const int clear = IndexOf(ops, Kind::ClearList);
  const int repaint = IndexOf(ops, Kind::RepaintNow);
  const int append = IndexOf(ops, Kind::AppendListEntry);
  const int select = IndexOf(ops, Kind::SelectListEntry);
  ASSERT_GE(clear, 0);
  EXPECT_LT(clear, repaint);
  EXPECT_LT(repaint, append);
  EXPECT_LT(append, select);
  EXPECT_EQ(view.TextsSet(ControlId::Information).back(), "TAVIX    ZWR2040 DVD-RW   1.  ");
  // No command went to a drive beyond the probes.
  EXPECT_EQ(b_.TraceSize(), 1u);
}

TEST_F(UpdateDialogTest, NoDriveLeavesTheListEmptyAndStartRefuses) {
  b_.bench.PackImage(testing_support::ImageOptions(2));
  b_.Init("my-updater");
  EXPECT_TRUE(b_.view.ListEntries().empty());
  EXPECT_FALSE(b_.view.SelectedIndex().has_value());
  EXPECT_EQ(b_.Control(ControlId::StateArea).text, kState0);
  Press();
  Press();
  ASSERT_EQ(b_.view.MessageBoxes().size(), 1u);
  EXPECT_EQ(b_.view.MessageBoxes()[0].text, "Sorry, this flash utility can't update this model.");
  EXPECT_EQ(b_.view.MessageBoxes()[0].caption, "my-updater");
  EXPECT_EQ(b_.view.MessageBoxes()[0].kind, MessageBoxKind::ExclamationOk);
  EXPECT_EQ(StateNow(), 1);
}

TEST_F(UpdateDialogTest, NextInStateZeroOnlyMovesToStateOne) {
  Setup();
  const std::size_t before = b_.TraceSize();
  Press();
  EXPECT_EQ(StateNow(), 1);
  EXPECT_EQ(b_.TraceSize(), before);
  EXPECT_EQ(b_.Control(ControlId::StateArea).text, kState1);
  EXPECT_EQ(b_.Control(ControlId::NextStart).text, "Start");
  EXPECT_TRUE(b_.Control(ControlId::Back).enabled);
}

TEST_F(UpdateDialogTest, RefusedEntryChangesNothingButShowsTheBox) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  model.vendor = "OTHER   ";
  model.product = "zwr2040 DVD-RW  ";
  Setup(model);
  Press();
  b_.view.ClearRecord();
  const std::size_t before = b_.TraceSize();
  Press();
  EXPECT_EQ(StateNow(), 1);
  EXPECT_EQ(b_.TraceSize(), before);
  ASSERT_EQ(b_.view.Operations().size(), 1u);
  EXPECT_EQ(b_.view.Operations()[0].kind, Kind::ShowMessageBox);
  EXPECT_EQ(b_.view.MessageBoxes()[0].caption, "updater");
}

// Refusals after Start: the state they show, no box, and Next > going back
// to state 0 without a command to the drive.
struct RefusalCase {
  const char* name;
  std::optional<int> failCommand;  // 0: probe, 1: ChangeToUpMode, 2: Inquiry
  unsigned imageSizeMiB;
  const char* typeCode;
  std::int32_t state;
};

class RefusalTest : public UpdateDialogTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ShowsItsStateAndNextReturnsToZero) {
  const RefusalCase& c = GetParam();
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  model.faults.failCommandNumber = c.failCommand;
  SyntheticImageOptions image = testing_support::ImageOptions(c.imageSizeMiB);
  image.typeCode = c.typeCode;
  Setup(model, image);
  Press();
  Press();
  EXPECT_EQ(StateNow(), c.state);
  EXPECT_EQ(b_.TraceSize(), 3u);
  EXPECT_TRUE(b_.view.MessageBoxes().empty());
  EXPECT_TRUE(b_.Control(ControlId::Back).enabled);
  EXPECT_TRUE(b_.Control(ControlId::NextStart).enabled);
  EXPECT_EQ(b_.Control(ControlId::NextStart).text, "Next >");
  Press();
  EXPECT_EQ(StateNow(), 0);
  EXPECT_EQ(b_.TraceSize(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    States, RefusalTest,
    ::testing::Values(RefusalCase{"FailedUpModeInquiry", 2, 2, "M7EH00", 14},
                      RefusalCase{"OneMegabyteImageForTwoMegabyteDrive", std::nullopt, 1, "M7EH00",
                                  14},
                      RefusalCase{"WrongTypeCode", std::nullopt, 2, "N7EH00", 13}),
    [](const ::testing::TestParamInfo<RefusalCase>& param) { return param.param.name; });

TEST_F(UpdateDialogTest, MissingProgramFileAtLoadShowsTheReportAndFails) {
  b_.bench.AddDrive(testing_support::TwoMegabyteDrive(), 0);
  b_.bench.PackImage(testing_support::ImageOptions(2));
  b_.Init();
  // The file goes away between start-up and the update.
  std::filesystem::remove(b_.bench.ProgramPath());
  Press();
  Press();
  EXPECT_EQ(StateNow(), 12);
  ASSERT_EQ(b_.view.MessageBoxes().size(), 1u);
  EXPECT_NE(b_.view.MessageBoxes()[0].text.find(b_.bench.ProgramPath()), std::string::npos);
  EXPECT_EQ(b_.view.MessageBoxes()[0].caption, "updater");
  EXPECT_EQ(b_.view.MessageBoxes()[0].kind, MessageBoxKind::ExclamationOk);
  EXPECT_EQ(b_.TraceSize(), 3u);
  EXPECT_FALSE(b_.Control(ControlId::NextStart).enabled);
  EXPECT_TRUE(b_.Control(ControlId::Close).enabled);
  EXPECT_EQ(b_.State().RebootArmed, 0);
}

TEST_F(UpdateDialogTest, AfterAFailureBackLeadsToStateZeroWithADisabledNext) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  model.faults.failCommandNumber = 3;  // PrepareFlash
  Setup(model);
  Press();
  Press();
  EXPECT_EQ(StateNow(), 12);
  EXPECT_TRUE(b_.Control(ControlId::Back).enabled);
  b_.dialog->OnBack();
  EXPECT_EQ(StateNow(), 0);
  EXPECT_EQ(b_.Control(ControlId::NextStart).text, "Next >");
  EXPECT_FALSE(b_.Control(ControlId::NextStart).enabled);
  EXPECT_FALSE(b_.Control(ControlId::Back).enabled);
  // Close still ends the dialog: nothing restarts after a failure.
  b_.dialog->OnCloseReboot();
  EXPECT_EQ(b_.view.Result(), DialogResult::Ok);
  EXPECT_TRUE(b_.power.restarts.empty());
}

TEST_F(UpdateDialogTest, AfterASuccessCloseBecomesRebootAndRestarts) {
  Setup();
  Press();
  Press();
  EXPECT_EQ(StateNow(), 11);
  EXPECT_EQ(b_.State().RebootArmed, 1);
  EXPECT_EQ(b_.Control(ControlId::Close).text, "Reboot");
  EXPECT_TRUE(b_.Control(ControlId::Close).enabled);
  EXPECT_FALSE(b_.Control(ControlId::NextStart).enabled);
  EXPECT_EQ(b_.Control(ControlId::NextStart).text, "Next >");
  EXPECT_FALSE(b_.Control(ControlId::Back).enabled);
  EXPECT_EQ(b_.view.ProgressPosition(), 1000);
  // Next stays disabled; even a press that reached the handler starts nothing new.
  EXPECT_FALSE(b_.view.Result().has_value());

  b_.dialog->OnCloseReboot();
  b_.dialog->OnCloseReboot();
  EXPECT_EQ(b_.power.restarts,
            (std::vector<bool>{true, true}));  // cdrom pass-through: privilege first
  EXPECT_FALSE(b_.view.Result().has_value());
  b_.dialog->OnCancel();
  EXPECT_EQ(b_.view.Result(), DialogResult::Cancel);
  EXPECT_EQ(b_.power.restarts.size(), 2u);
}

TEST(UpdateDialogAspiTest, RebootUnderAspiNeedsNoPrivilege) {
  DialogBench b(TransportMode::Aspi);
  b.bench.AddDrive(testing_support::OneMegabyteDrive(), 0, 1);
  b.bench.PackImage(testing_support::ImageOptions(1));
  b.Init();
  b.dialog->OnNextStart();
  b.dialog->OnNextStart();
  ASSERT_EQ(b.State().UpdateState, 11);
  b.dialog->OnCloseReboot();
  EXPECT_EQ(b.power.restarts, (std::vector<bool>{false}));
}

TEST_F(UpdateDialogTest, CloseBeforeAnUpdatePullsTheTextsAndEndsWithOk) {
  Setup();
  b_.view.SetControlText(ControlId::StateArea, "edited");
  b_.view.SetControlText(ControlId::Information, "also edited");
  b_.dialog->OnCloseReboot();
  EXPECT_EQ(b_.view.Result(), DialogResult::Ok);
  EXPECT_EQ(b_.State().StateText, "edited");
  EXPECT_EQ(b_.State().InformationText, "also edited");
  EXPECT_TRUE(b_.power.restarts.empty());
}

TEST_F(UpdateDialogTest, SixthLogoClickRevealsTheCheckBox) {
  Setup();
  for (int i = 0; i < 5; ++i) b_.dialog->OnLogoClick();
  EXPECT_FALSE(b_.Control(ControlId::UpdateLoader).visible);
  b_.dialog->OnLogoClick();
  EXPECT_TRUE(b_.Control(ControlId::UpdateLoader).visible);
  EXPECT_EQ(b_.State().LogoClickCount, 1);
  for (int i = 0; i < 5; ++i) b_.dialog->OnLogoClick();  // the eleventh
  EXPECT_TRUE(b_.Control(ControlId::UpdateLoader).visible);
  EXPECT_EQ(b_.State().LogoClickCount, 1);
}

struct FlagCase {
  const char* name;
  bool reveal;
  bool tick;
  std::uint32_t expected;
};

class LoaderFlagTest : public UpdateDialogTest, public ::testing::WithParamInterface<FlagCase> {};

// Both codes 0: the flag follows the box only when it has been revealed.
TEST_P(LoaderFlagTest, FlagFollowsTheRevealedBox) {
  Setup(testing_support::OneMegabyteDrive(), testing_support::ImageOptions(1));
  if (GetParam().reveal) {
    for (int i = 0; i < 6; ++i) b_.dialog->OnLogoClick();
  }
  b_.view.SetChecked(ControlId::UpdateLoader, GetParam().tick);
  Press();
  Press();
  EXPECT_EQ(StateNow(), 11);
  EXPECT_EQ(b_.State().LoaderUpdateFlag, GetParam().expected);
  EXPECT_EQ(b_.bench.Drive().LoaderUpdateRequested(), GetParam().expected == 1);
}

INSTANTIATE_TEST_SUITE_P(Box, LoaderFlagTest,
                         ::testing::Values(FlagCase{"RevealedTicked", true, true, 1},
                                           FlagCase{"RevealedUnticked", true, false, 0},
                                           FlagCase{"HiddenTicked", false, true, 0}),
                         [](const ::testing::TestParamInfo<FlagCase>& param) {
                           return param.param.name;
                         });

// While the update runs every handler is ignored, the shutdown lock is held,
// and Close and Next are disabled.
TEST_F(UpdateDialogTest, HandlersAreIgnoredWhileTheUpdateRuns) {
  Setup(testing_support::OneMegabyteDrive(), testing_support::ImageOptions(1));
  Press();
  int sleepsDuringUpdate = 0;
  b_.clock.observer = [this, &sleepsDuringUpdate] {
    if (!b_.dialog->UpdateRunning()) return;
    ++sleepsDuringUpdate;
    EXPECT_TRUE(b_.power.held);
    EXPECT_FALSE(b_.Control(ControlId::Close).enabled);
    EXPECT_FALSE(b_.Control(ControlId::NextStart).enabled);
    const std::int32_t state = b_.State().UpdateState;
    b_.dialog->OnBack();
    b_.dialog->OnNextStart();
    b_.dialog->OnCloseReboot();
    b_.dialog->OnCancel();
    b_.dialog->OnLogoClick();
    EXPECT_EQ(b_.State().UpdateState, state);
    EXPECT_EQ(b_.State().LogoClickCount, 0);
    EXPECT_FALSE(b_.view.Result().has_value());
  };
  Press();
  EXPECT_GT(sleepsDuringUpdate, 1);
  EXPECT_EQ(StateNow(), 11);
  EXPECT_FALSE(b_.dialog->UpdateRunning());
  EXPECT_FALSE(b_.power.held);
  EXPECT_EQ(b_.power.inhibits, 1);
  EXPECT_EQ(b_.power.reasons,
            (std::vector<std::string>{"Drivesmith is rewriting a drive's firmware"}));
}

}  // namespace
}  // namespace drivesmith
