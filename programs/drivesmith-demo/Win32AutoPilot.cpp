#include "programs/drivesmith-demo/Win32AutoPilot.h"

#include <string>

#include "platform/windows/Win32DialogView.h"
#include "ui/UpdateDialog.h"

namespace drivesmith::demo {

namespace {

// The one pilot of the program; the timer procedure finds it here.
Win32AutoPilot* engagedPilot = nullptr;
constexpr UINT_PTR kFlyTimer = 1;
constexpr UINT_PTR kStartTimer = 2;
// Beyond the double-click time, so that Start is a press of its own.
constexpr UINT kSecondPressMarginMs = 100;

std::string ButtonText(HWND window) {
  char text[64] = {};
  GetWindowTextA(GetDlgItem(window, static_cast<int>(ControlId::NextStart)), text, sizeof text);
  return text;
}

}  // namespace

void Win32AutoPilot::Engage(std::optional<int> select) {
  select_ = select;
  engagedPilot = this;
  view_.OnInit([](HWND window) {
    // The timer fires once the modal loop runs.
    SetTimer(window, kFlyTimer, 0, &Win32AutoPilot::OnTimer);
  });
}

void CALLBACK Win32AutoPilot::OnTimer(HWND window, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  KillTimer(window, id);
  if (engagedPilot == nullptr) {
    return;
  }
  if (id == kFlyTimer) {
    engagedPilot->Fly(window);
  } else {
    engagedPilot->PressStart(window);
  }
}

void Win32AutoPilot::Press(HWND window) {
  out_ << "press: " << ButtonText(window) << std::endl;
  SendMessageA(GetDlgItem(window, static_cast<int>(ControlId::NextStart)), BM_CLICK, 0, 0);
}

void Win32AutoPilot::Fly(HWND window) {
  if (select_) {
    const LRESULT count =
        SendDlgItemMessageA(window, static_cast<int>(ControlId::DriveList), CB_GETCOUNT, 0, 0);
    if (*select_ >= count) {
      out_ << "no list entry " << *select_ << std::endl;
      engagedPilot = nullptr;
      view_.EndDialog(DialogResult::Cancel);
      return;
    }
    view_.SelectListEntry(*select_);
  }
  Press(window);
  if (dialog_.State().UpdateState == WizardState::ReadyToStart) {
    SetTimer(window, kStartTimer, GetDoubleClickTime() + kSecondPressMarginMs,
             &Win32AutoPilot::OnTimer);
    return;
  }
  Finish();
}

void Win32AutoPilot::PressStart(HWND window) {
  Press(window);
  Finish();
}

void Win32AutoPilot::Finish() {
  engagedPilot = nullptr;
  out_ << "final state: " << StateNumber(dialog_.State().UpdateState) << std::endl;
  // Ends the dialog the way Escape does: never a restart.
  view_.EndDialog(DialogResult::Cancel);
}

}  // namespace drivesmith::demo
