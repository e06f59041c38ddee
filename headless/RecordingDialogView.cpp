#include "headless/RecordingDialogView.h"

namespace drivesmith {

void RecordingDialogView::ScriptAnswers(std::vector<MessageBoxAnswer> answers) {
  script_.assign(answers.begin(), answers.end());
}

void RecordingDialogView::Record(ViewOperation::Kind kind, std::optional<ControlId> control,
                                 std::string text, std::int64_t value) {
  operations_.push_back(ViewOperation{kind, control, std::move(text), value});
}

RecordingDialogView::ControlState& RecordingDialogView::Mutable(ControlId id) {
  return controls_[id];
}

const RecordingDialogView::ControlState& RecordingDialogView::Control(ControlId id) const {
  static const ControlState kUntouched{};
  const auto found = controls_.find(id);
  return found == controls_.end() ? kUntouched : found->second;
}

void RecordingDialogView::SetCaption(const std::string& text) {
  caption_ = text;
  Record(ViewOperation::Kind::SetCaption, std::nullopt, text);
}

void RecordingDialogView::SetIcons() {
  iconsSet_ = true;
  Record(ViewOperation::Kind::SetIcons, std::nullopt);
}

void RecordingDialogView::SetControlText(ControlId id, const std::string& text) {
  Mutable(id).text = text;
  Record(ViewOperation::Kind::SetControlText, id, text);
}

std::string RecordingDialogView::ControlText(ControlId id) { return Control(id).text; }

void RecordingDialogView::EnableControl(ControlId id, bool enabled) {
  Mutable(id).enabled = enabled;
  Record(ViewOperation::Kind::EnableControl, id, {}, enabled ? 1 : 0);
}

void RecordingDialogView::ShowControl(ControlId id, bool visible) {
  Mutable(id).visible = visible;
  Record(ViewOperation::Kind::ShowControl, id, {}, visible ? 1 : 0);
}

void RecordingDialogView::SetChecked(ControlId id, bool checked) {
  Mutable(id).checked = checked;
  Record(ViewOperation::Kind::SetChecked, id, {}, checked ? 1 : 0);
}

bool RecordingDialogView::IsChecked(ControlId id) { return Control(id).checked; }

void RecordingDialogView::ClearList() {
  list_.clear();
  selected_.reset();
  Record(ViewOperation::Kind::ClearList, ControlId::DriveList);
}

void RecordingDialogView::AppendListEntry(const std::string& text) {
  list_.push_back(text);
  Record(ViewOperation::Kind::AppendListEntry, ControlId::DriveList, text);
}

void RecordingDialogView::SelectListEntry(int index) {
  Record(ViewOperation::Kind::SelectListEntry, ControlId::DriveList, {}, index);
  if (index >= 0 && static_cast<std::size_t>(index) < list_.size()) {
    selected_ = index;
  }
}

std::string RecordingDialogView::SelectedListText() {
  return selected_ ? list_[static_cast<std::size_t>(*selected_)] : std::string();
}

void RecordingDialogView::SetProgressRange(int low, int high) {
  progressLow_ = low;
  progressHigh_ = high;
  Record(ViewOperation::Kind::SetProgressRange, ControlId::ProgressBar, {}, low);
}

void RecordingDialogView::SetProgressPosition(std::int32_t position) {
  positions_.push_back(position);
  Record(ViewOperation::Kind::SetProgressPosition, ControlId::ProgressBar, {}, position);
}

std::optional<std::int32_t> RecordingDialogView::ProgressPosition() const {
  if (positions_.empty()) {
    return std::nullopt;
  }
  return positions_.back();
}

void RecordingDialogView::RepaintNow() {
  ++repaints_;
  Record(ViewOperation::Kind::RepaintNow, std::nullopt);
  if (repaintObserver_) {
    repaintObserver_();
  }
}

MessageBoxAnswer RecordingDialogView::ShowMessageBox(const std::string& text,
                                                     const std::string& caption,
                                                     MessageBoxKind kind) {
  MessageBoxAnswer answer =
      kind == MessageBoxKind::ExclamationYesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  boxes_.push_back(RecordedMessageBox{text, caption, kind, answer});
  Record(ViewOperation::Kind::ShowMessageBox, std::nullopt, text, static_cast<std::int64_t>(kind));
  return answer;
}

void RecordingDialogView::EndDialog(DialogResult result) {
  result_ = result;
  Record(ViewOperation::Kind::EndDialog, std::nullopt, {}, result == DialogResult::Ok ? 1 : 2);
}

std::vector<std::string> RecordingDialogView::TextsSet(ControlId id) const {
  std::vector<std::string> texts;
  for (const ViewOperation& operation : operations_) {
    if (operation.kind == ViewOperation::Kind::SetControlText && operation.control == id) {
      texts.push_back(operation.text);
    }
  }
  return texts;
}

void RecordingDialogView::ClearRecord() {
  operations_.clear();
  positions_.clear();
  boxes_.clear();
  repaints_ = 0;
}

}  // namespace drivesmith
