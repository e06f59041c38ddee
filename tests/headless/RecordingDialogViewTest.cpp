// The recording view keeps control state like a window would and answers
// message boxes from its script.

#include <gtest/gtest.h>

#include "headless/RecordingDialogView.h"

namespace drivesmith {
namespace {

TEST(RecordingDialogViewTest, ListSelectionFollowsTheEntries) {
  RecordingDialogView view;
  view.SelectListEntry(0);
  EXPECT_FALSE(view.SelectedIndex().has_value());
  EXPECT_EQ(view.SelectedListText(), "");
  view.AppendListEntry("a");
  view.AppendListEntry("b");
  view.SelectListEntry(1);
  EXPECT_EQ(view.SelectedListText(), "b");
  view.SelectListEntry(5);
  EXPECT_EQ(view.SelectedListText(), "b");
  view.ClearList();
  EXPECT_EQ(view.SelectedListText(), "");
}

TEST(RecordingDialogViewTest, MessageBoxesAnswerFromTheScriptThenByKind) {
  RecordingDialogView view;
  view.ScriptAnswers({MessageBoxAnswer::No, MessageBoxAnswer::Closed});
  EXPECT_EQ(view.ShowMessageBox("q", "c", MessageBoxKind::ExclamationYesNo), MessageBoxAnswer::No);
  EXPECT_EQ(view.ShowMessageBox("q", "c", MessageBoxKind::ExclamationYesNo), MessageBoxAnswer::Closed);
  EXPECT_EQ(view.ShowMessageBox("q", "c", MessageBoxKind::ExclamationYesNo), MessageBoxAnswer::Yes);
  EXPECT_EQ(view.ShowMessageBox("t", "c", MessageBoxKind::ExclamationOk), MessageBoxAnswer::Ok);
  ASSERT_EQ(view.MessageBoxes().size(), 4u);
  EXPECT_EQ(view.MessageBoxes()[3].text, "t");
  EXPECT_EQ(view.MessageBoxes()[3].kind, MessageBoxKind::ExclamationOk);
}

TEST(RecordingDialogViewTest, RecordsTextsPositionsAndRepaintsInOrder) {
  RecordingDialogView view;
  int observed = 0;
  view.OnRepaint([&observed] { ++observed; });
  view.SetControlText(ControlId::StateArea, "one");
  view.SetProgressPosition(3);
  view.RepaintNow();
  view.SetControlText(ControlId::StateArea, "two");
  view.SetProgressPosition(1500);
  EXPECT_EQ(view.TextsSet(ControlId::StateArea), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(view.ControlText(ControlId::StateArea), "two");
  EXPECT_EQ(view.ProgressPositions(), (std::vector<std::int32_t>{3, 1500}));
  EXPECT_EQ(view.Repaints(), 1);
  EXPECT_EQ(observed, 1);
  ASSERT_EQ(view.Operations().size(), 5u);
  EXPECT_EQ(view.Operations()[2].kind, ViewOperation::Kind::RepaintNow);
}

}  // namespace
}  // namespace drivesmith
