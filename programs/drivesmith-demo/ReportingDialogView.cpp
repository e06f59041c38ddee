#include "programs/drivesmith-demo/ReportingDialogView.h"

#include <cstdlib>
#include <sstream>

namespace drivesmith::demo {

namespace {

// Progress is printed when it has moved by this many thousandths, and at
// both ends of the bar.
constexpr std::int32_t kProgressPrintStep = 50;

const char* AnswerName(MessageBoxAnswer answer) {
  switch (answer) {
    case MessageBoxAnswer::Ok:
      return "OK";
    case MessageBoxAnswer::Yes:
      return "Yes";
    case MessageBoxAnswer::No:
      return "No";
    case MessageBoxAnswer::Closed:
      break;
  }
  return "closed";
}

}  // namespace

std::string IndentLines(const std::string& text, const std::string& prefix) {
  std::string result;
  std::string line;
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      result += prefix + line + "\n";
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) result += prefix + line + "\n";
  return result;
}

void ReportingDialogView::SetControlText(ControlId id, const std::string& text) {
  window_.SetControlText(id, text);
  if (id == ControlId::StateArea && !text.empty() && (text != stateText_ || !stateTextPrinted_)) {
    stateText_ = text;
    stateTextPrinted_ = true;
    out_ << "state:\n" << IndentLines(text, "  | ") << std::flush;
  }
}

void ReportingDialogView::AppendListEntry(const std::string& text) {
  window_.AppendListEntry(text);
  out_ << "drive: " << text.c_str() << std::endl;
}

void ReportingDialogView::SetProgressRange(int low, int high) {
  window_.SetProgressRange(low, high);
  progressHigh_ = high;
}

void ReportingDialogView::SetProgressPosition(std::int32_t position) {
  window_.SetProgressPosition(position);
  const bool atEnd = position <= 0 || position >= progressHigh_;
  const bool moved = !progressPrinted_ || std::abs(static_cast<long long>(position) -
                                                   *progressPrinted_) >= kProgressPrintStep;
  if (position != progressPrinted_ && (atEnd || moved)) {
    progressPrinted_ = position;
    out_ << "progress: " << position << "/" << progressHigh_ << std::endl;
  }
}

void ReportingDialogView::RepaintNow() {
  window_.RepaintNow();
  if (repaintObserver_) repaintObserver_();
}

MessageBoxAnswer ReportingDialogView::ShowMessageBox(const std::string& text,
                                                     const std::string& caption,
                                                     MessageBoxKind kind) {
  const MessageBoxAnswer answer = window_.ShowMessageBox(text, caption, kind);
  out_ << "message box \"" << caption << "\":\n"
       << IndentLines(text, "  | ") << "  answered " << AnswerName(answer) << std::endl;
  return answer;
}

}  // namespace drivesmith::demo
