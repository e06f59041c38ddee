#pragma once
// A dialog view without a window: it keeps the state of every control and
// records every operation, and answers message boxes from a script.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/DialogView.h"

namespace drivesmith {

struct RecordedMessageBox {
  std::string text;
  std::string caption;
  MessageBoxKind kind;
  MessageBoxAnswer answer;
};

// One operation on the view, in the order it happened.
struct ViewOperation {
  enum class Kind {
    SetCaption,
    SetIcons,
    SetControlText,
    EnableControl,
    ShowControl,
    SetChecked,
    ClearList,
    AppendListEntry,
    SelectListEntry,
    SetProgressRange,
    SetProgressPosition,
    RepaintNow,
    ShowMessageBox,
    EndDialog,
  };
  Kind kind;
  std::optional<ControlId> control;
  std::string text;        // texts, list entries, message box texts
  std::int64_t value = 0;  // flags, indexes, positions, ranges' low end
};

class RecordingDialogView : public DialogView {
 public:
  struct ControlState {
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
  };

  // Message box answers, used in order; when none is left, Yes answers a
  // Yes/No question and Ok any other box.
  void ScriptAnswers(std::vector<MessageBoxAnswer> answers);
  // Runs at every RepaintNow, after it has been recorded.
  void OnRepaint(std::function<void()> observer) { repaintObserver_ = std::move(observer); }

  // DialogView
  void SetCaption(const std::string& text) override;
  void SetIcons() override;
  void SetControlText(ControlId id, const std::string& text) override;
  std::string ControlText(ControlId id) override;
  void EnableControl(ControlId id, bool enabled) override;
  void ShowControl(ControlId id, bool visible) override;
  void SetChecked(ControlId id, bool checked) override;
  bool IsChecked(ControlId id) override;
  void ClearList() override;
  void AppendListEntry(const std::string& text) override;
  void SelectListEntry(int index) override;
  std::string SelectedListText() override;
  void SetProgressRange(int low, int high) override;
  void SetProgressPosition(std::int32_t position) override;
  void RepaintNow() override;
  MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                  MessageBoxKind kind) override;
  void EndDialog(DialogResult result) override;

  // What the window shows now.
  const std::string& Caption() const { return caption_; }
  const ControlState& Control(ControlId id) const;
  const std::vector<std::string>& ListEntries() const { return list_; }
  std::optional<int> SelectedIndex() const { return selected_; }
  int ProgressLow() const { return progressLow_; }
  int ProgressHigh() const { return progressHigh_; }
  std::optional<std::int32_t> ProgressPosition() const;
  std::optional<DialogResult> Result() const { return result_; }
  bool IconsSet() const { return iconsSet_; }

  // What happened.
  const std::vector<ViewOperation>& Operations() const { return operations_; }
  // Every text set on `id`, in order.
  std::vector<std::string> TextsSet(ControlId id) const;
  const std::vector<std::int32_t>& ProgressPositions() const { return positions_; }
  const std::vector<RecordedMessageBox>& MessageBoxes() const { return boxes_; }
  int Repaints() const { return repaints_; }
  void ClearRecord();

 private:
  ControlState& Mutable(ControlId id);
  void Record(ViewOperation::Kind kind, std::optional<ControlId> control, std::string text = {},
              std::int64_t value = 0);

  std::string caption_;
  bool iconsSet_ = false;
  std::map<ControlId, ControlState> controls_;
  std::vector<std::string> list_;
  std::optional<int> selected_;
  int progressLow_ = 0;
  int progressHigh_ = 100;
  std::vector<std::int32_t> positions_;
  std::optional<DialogResult> result_;
  std::deque<MessageBoxAnswer> script_;
  std::vector<RecordedMessageBox> boxes_;
  std::vector<ViewOperation> operations_;
  int repaints_ = 0;
  std::function<void()> repaintObserver_;
};

}  // namespace drivesmith
