#pragma once
// DialogView on a Win32 modal dialog made from template 102, and the modal
// run of an UpdateDialog in it.
//
// An update runs inside a button handler; while it runs, the engine's sleeps
// and the view's repaints serve only non-input messages, so the window keeps
// painting and input waits in the queue. When the handler returns, what
// queued up meanwhile is dropped, and clicks that reached the dialog through
// other means (messages sent or posted to it) are ignored while a handler
// runs.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/DialogView.h"

namespace drivesmith {

class UpdateDialog;

class Win32DialogView : public DialogView {
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
  bool UpdateRunning() const;
  void NoteBusy();
  void RunHandler(const std::function<void(UpdateDialog&)>& handler);
  // Gives the focus back to a control after an update took it away.
  void RestoreFocus(HWND before);

  HINSTANCE instance_;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HWND window_ = nullptr;
  UpdateDialog* dialog_ = nullptr;
  MessageBoxAnswerer answerer_;
  InitObserver initObserver_;
  int progressLow_ = 0;
  int progressHigh_ = 100;
  // Set while a handler runs: a click that reaches the dialog meanwhile (the
  // engine's waits serve sent and posted messages) is dropped rather than
  // run as a handler inside the other.
  bool handlerRunning_ = false;
  // Set when an update was seen running during a handler: input may have
  // queued up since, which must not act once the update has ended.
  bool sawUpdate_ = false;
  // When the last update ended (GetTickCount), for input that Windows hands
  // over only after that.
  bool updateEnded_ = false;
  DWORD updateEndTime_ = 0;
};

}  // namespace drivesmith
