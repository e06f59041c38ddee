#pragma once
// The demo's automatic run: once the dialog is up, picks the list entry if
// asked, presses Next > and then Start through the window's own buttons,
// and ends the dialog when the update has ended.

#include <optional>
#include <ostream>

namespace drivesmith {
class QtDialogView;
class UpdateDialog;
}  // namespace drivesmith

namespace drivesmith::demo {

class AutoPilot {
 public:
  AutoPilot(QtDialogView& view, UpdateDialog& dialog, std::ostream& out)
      : view_(view), dialog_(dialog), out_(out) {}

  // Schedules the run for when the modal run has begun.
  void Engage(std::optional<int> select);

 private:
  void Fly(std::optional<int> select);

  QtDialogView& view_;
  UpdateDialog& dialog_;
  std::ostream& out_;
};

}  // namespace drivesmith::demo
