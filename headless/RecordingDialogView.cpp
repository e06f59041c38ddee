#include "headless/RecordingDialogView.h"

namespace drivesmith {

void RecordingDialogView::ScriptAnswers(std::vector<MessageBoxAnswer> answers) {
  script_.assign(answers.begin(), answers.end());
}

RecordingDialogView::ControlState& RecordingDialogView::Mutable(ControlId id) {
  return controls_[id];
}

const RecordingDialogView::ControlState& RecordingDialogView::Control(ControlId id) const {
  static const ControlState kUntouched{};
  const auto found = controls_.find(id);
  return found == controls_.end() ? kUntouched : found->second;
}

void RecordingDialogView::SetCaption(const std::string& /*text*/) {}

void RecordingDialogView::SetIcons() {}

void RecordingDialogView::SetControlText(ControlId id, const std::string& text) {
  Mutable(id).text = text;
  textsSet_.emplace_back(id, text);
}

std::string RecordingDialogView::ControlText(ControlId id) { return Control(id).text; }

void RecordingDialogView::EnableControl(ControlId id, bool enabled) {
  Mutable(id).enabled = enabled;
}

void RecordingDialogView::ShowControl(ControlId id, bool visible) { Mutable(id).visible = visible; }

void RecordingDialogView::SetChecked(ControlId id, bool checked) { Mutable(id).checked = checked; }

bool RecordingDialogView::IsChecked(ControlId id) { return Control(id).checked; }

void RecordingDialogView::ClearList() {
  list_.clear();
  selected_.reset();
}

void RecordingDialogView::AppendListEntry(const std::string& text) { list_.push_back(text); }

void RecordingDialogView::SelectListEntry(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < list_.size()) {
    selected_ = index;
  }
}

std::string RecordingDialogView::SelectedListText() {
  return selected_ ? list_[static_cast<std::size_t>(*selected_)] : std::string();
}

void RecordingDialogView::SetProgressRange(int /*low*/, int /*high*/) {}

void RecordingDialogView::SetProgressPosition(std::int32_t position) {
  positions_.push_back(position);
}

void RecordingDialogView::RepaintNow() {
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
  return answer;
}

void RecordingDialogView::EndDialog(DialogResult result) { result_ = result; }

std::vector<std::string> RecordingDialogView::TextsSet(ControlId id) const {
  std::vector<std::string> texts;
  for (const auto& [control, text] : textsSet_) {
    if (control == id) texts.push_back(text);
  }
  return texts;
}

}  // namespace drivesmith
