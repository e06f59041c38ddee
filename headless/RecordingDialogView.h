#pragma once
// A dialog view without a window: it keeps the state of every control,
// records the texts, progress positions and message boxes shown, and answers
// message boxes from a script.

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
  // Runs at every RepaintNow.
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
  const ControlState& Control(ControlId id) const;
  const std::vector<std::string>& ListEntries() const { return list_; }
  std::optional<int> SelectedIndex() const { return selected_; }
  std::optional<DialogResult> Result() const { return result_; }

  // What happened.
  // Every text set on `id`, in order.
  std::vector<std::string> TextsSet(ControlId id) const;
  const std::vector<std::int32_t>& ProgressPositions() const { return positions_; }
  const std::vector<RecordedMessageBox>& MessageBoxes() const { return boxes_; }

 private:
  ControlState& Mutable(ControlId id);

  std::map<ControlId, ControlState> controls_;
  // Every SetControlText, in order.
  std::vector<std::pair<ControlId, std::string>> textsSet_;
  std::vector<std::string> list_;
  std::optional<int> selected_;
  std::vector<std::int32_t> positions_;
  std::optional<DialogResult> result_;
  std::deque<MessageBoxAnswer> script_;
  std::vector<RecordedMessageBox> boxes_;
  std::function<void()> repaintObserver_;
};

}  // namespace drivesmith
