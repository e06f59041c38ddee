#pragma once
// The Windows demo's automatic run: once the modal run has begun, picks the
// list entry if asked, presses Next > and then, after the system's
// double-click time as a user's deliberate second press, Start through the
// window's own buttons, and ends the dialog when the update has ended.

#include <windows.h>

#include <optional>
#include <ostream>

namespace drivesmith {
class UpdateDialog;
class Win32DialogView;
}  // namespace drivesmith

namespace drivesmith::demo {

class Win32AutoPilot {
 public:
  Win32AutoPilot(Win32DialogView& view, UpdateDialog& dialog, std::ostream& out)
      : view_(view), dialog_(dialog), out_(out) {}

  // Schedules the run for when the modal loop runs; call before RunModal.
  void Engage(std::optional<int> select);

 private:
  static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
  void Fly(HWND window);
  void PressStart(HWND window);
  void Press(HWND window);
  void Finish();

  Win32DialogView& view_;
  UpdateDialog& dialog_;
  std::ostream& out_;
  std::optional<int> select_;
};

}  // namespace drivesmith::demo
