#pragma once
// DialogView on a Win32 modal dialog made from template 102, and the modal
// run of an UpdateDialog in it.
//
// An update runs inside a button handler; while it runs, the engine's sleeps
// and the view's repaints serve only non-input messages, so the window keeps
// painting and input waits in the queue. The input guard decides which
// clicks reach the dialog; this view adds how Windows drops the input that
// queued up during an update, and presses carry their message time.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/DialogView.h"
#include "ui/InputGuard.h"
#include "ui/QueuedInput.h"

namespace drivesmith {

class UpdateDialog;

class Win32DialogView : public DialogView, private QueuedInput {
 public:
  // Answers a message box instead of showing it (the demo's automatic run).
  using MessageBoxAnswerer = std::function<MessageBoxAnswer(
      const std::string& text, const std::string& caption, MessageBoxKind kind)>;
  // Runs once the dialog's window exists, before it is first shown.
  using InitObserver = std::function<void(HWND dialog)>;

  // `instance` holds the resources (template 102, icon 128, bitmap 155).
  explicit Win32DialogView(HINSTANCE instance);
  ~Win32DialogView() override;
  Win32DialogView(const Win32DialogView&) = delete;
  Win32DialogView& operator=(const Win32DialogView&) = delete;

  // Runs the modal dialog with no parent window until `dialog` ends it; the
  // dialog is initialised when the window exists and released when it is
  // destroyed. Returns the result that ended the run.
  DialogResult RunModal(UpdateDialog& dialog);

  HWND Window() const { return window_; }
  void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { answerer_ = std::move(answerer); }
  void OnInit(InitObserver observer) { initObserver_ = std::move(observer); }

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
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCommand(int id, int notification);
  void PaintMinimised();
  HWND Control(ControlId id) const;
  LRESULT SendToControl(ControlId id, UINT message, WPARAM wParam, LPARAM lParam) const;
  void Press(DialogInput input);
  // QueuedInput
  void ServeAllButInput() override;
  void DropQueuedInput() override;
  // Gives the focus back to a control after an update took it away.
  void RestoreFocus(HWND before);

  HINSTANCE instance_;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HWND window_ = nullptr;
  UpdateDialog* dialog_ = nullptr;
  InputGuard guard_;
  MessageBoxAnswerer answerer_;
  InitObserver initObserver_;
  int progressLow_ = 0;
  int progressHigh_ = 100;
  // The focus when the last press came, to give it back after an update.
  HWND focusBeforePress_ = nullptr;
  // When the last update ended (GetTickCount), for input that Windows hands
  // over only after that.
  bool updateEnded_ = false;
  DWORD updateEndTime_ = 0;
};

}  // namespace drivesmith
