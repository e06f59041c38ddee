#pragma once
// DialogView on Qt Widgets: the wizard's window for the dialog's logic, and
// the modal run of an UpdateDialog in it.

#include <functional>
#include <memory>
#include <string>

#include "ui/DialogView.h"
#include "ui/InputGuard.h"
#include "ui/QueuedInput.h"

namespace drivesmith {

class QtDialogWindow;
class UpdateDialog;

class QtDialogView : public DialogView, private QueuedInput {
 public:
  // Answers a message box instead of showing it (the demo's automatic run).
  using MessageBoxAnswerer = std::function<MessageBoxAnswer(
      const std::string& text, const std::string& caption, MessageBoxKind kind)>;

  QtDialogView();
  ~QtDialogView() override;
  QtDialogView(const QtDialogView&) = delete;
  QtDialogView& operator=(const QtDialogView&) = delete;

  // Initialises `dialog` in the window, shows it modally until the dialog
  // ends it, then lets the dialog release what it holds. Returns the result
  // that ended the run.
  DialogResult RunModal(UpdateDialog& dialog);

  QtDialogWindow& Window() { return *window_; }
  void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { answerer_ = std::move(answerer); }
  // Runs once the dialog is initialised (its drive list filled), before the
  // window is shown.
  void SetInitialisedHandler(std::function<void()> handler) { initialised_ = std::move(handler); }

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

 private:
  // QueuedInput
  void ServeAllButInput() override;
  void DropQueuedInput() override;

  void Press(DialogInput input);

  std::unique_ptr<QtDialogWindow> window_;
  InputGuard guard_;
  MessageBoxAnswerer answerer_;
  std::function<void()> initialised_;
};

}  // namespace drivesmith
