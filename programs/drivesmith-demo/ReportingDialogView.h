#pragma once
// A dialog view that passes everything on to the window and, for the demo's
// automatic run, prints what the window shows: each new state text, the
// progress, and the message boxes with their answers.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "ui/DialogView.h"

namespace drivesmith::demo {

class ReportingDialogView : public DialogView {
 public:
  ReportingDialogView(DialogView& window, std::ostream& out) : window_(window), out_(out) {}

  // Runs after every repaint (the demo writes its trace then).
  void OnRepaint(std::function<void()> observer) { repaintObserver_ = std::move(observer); }
  // The last state text shown.
  const std::string& StateText() const { return stateText_; }

  void SetCaption(const std::string& text) override { window_.SetCaption(text); }
  void SetIcons() override { window_.SetIcons(); }
  void SetControlText(ControlId id, const std::string& text) override;
  std::string ControlText(ControlId id) override { return window_.ControlText(id); }
  void EnableControl(ControlId id, bool enabled) override { window_.EnableControl(id, enabled); }
  void ShowControl(ControlId id, bool visible) override { window_.ShowControl(id, visible); }
  void SetChecked(ControlId id, bool checked) override { window_.SetChecked(id, checked); }
  bool IsChecked(ControlId id) override { return window_.IsChecked(id); }
  void ClearList() override { window_.ClearList(); }
  void AppendListEntry(const std::string& text) override;
  void SelectListEntry(int index) override { window_.SelectListEntry(index); }
  std::string SelectedListText() override { return window_.SelectedListText(); }
  void SetProgressRange(int low, int high) override;
  void SetProgressPosition(std::int32_t position) override;
  void RepaintNow() override;
  MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                  MessageBoxKind kind) override;
  void EndDialog(DialogResult result) override { window_.EndDialog(result); }

 private:
  DialogView& window_;
  std::ostream& out_;
  std::string stateText_;
  bool stateTextPrinted_ = false;
  int progressHigh_ = 100;
  std::optional<std::int32_t> progressPrinted_;
  std::function<void()> repaintObserver_;
};

// The text as lines without carriage returns, each with `prefix`.
std::string IndentLines(const std::string& text, const std::string& prefix);

}  // namespace drivesmith::demo
