#include "ui/InputGuard.h"

#include "ui/UpdateDialog.h"

namespace drivesmith {

InputGuard::InputGuard(QueuedInput& queue, std::chrono::milliseconds doubleClickTime)
    : queue_(queue), doubleClickTime_(doubleClickTime) {}

bool InputGuard::UpdateRunning() const { return dialog_ != nullptr && dialog_->UpdateRunning(); }

void InputGuard::NoteBusy() {
  if (UpdateRunning()) {
    sawUpdate_ = true;
    // Long stretches of the transfer send block after block without a
    // pause; serving the platform keeps the window painting and the desktop
    // from marking it as not responding.
    queue_.ServeAllButInput();
  }
}

bool InputGuard::WithinDoubleClick(std::optional<InputTime> time) const {
  if (!time || !startShownAt_ || dialog_->State().UpdateState != WizardState::ReadyToStart) {
    return false;
  }
  const InputTime since = *time - *startShownAt_;  // round the wrap
  return since < doubleClickTime_;
}

void InputGuard::Press(DialogInput input, std::optional<InputTime> time) {
  // The engine's waits serve the platform, so a request can arrive in the
  // middle of a handler; it is dropped rather than run inside the other.
  if (dialog_ == nullptr || handlerRunning_ || UpdateRunning()) {
    return;
  }
  if (input == DialogInput::NextStart && WithinDoubleClick(time)) {
    return;
  }
  const bool startShownBefore = dialog_->State().UpdateState == WizardState::ReadyToStart;
  sawUpdate_ = false;
  handlerRunning_ = true;
  RunHandler(input);
  handlerRunning_ = false;
  if (input == DialogInput::NextStart && !startShownBefore &&
      dialog_->State().UpdateState == WizardState::ReadyToStart) {
    startShownAt_ = time;
  }
  if (sawUpdate_) {
    // Clicks, keys and close requests that waited while the update ran
    // must not act now that it has ended.
    queue_.DropQueuedInput();
    sawUpdate_ = false;
  }
}

void InputGuard::RunHandler(DialogInput input) {
  switch (input) {
    case DialogInput::NextStart:
      dialog_->OnNextStart();
      break;
    case DialogInput::Back:
      dialog_->OnBack();
      break;
    case DialogInput::Close:
      dialog_->OnCloseReboot();
      break;
    case DialogInput::Logo:
      dialog_->OnLogoClick();
      break;
    case DialogInput::Cancel:
      dialog_->OnCancel();
      break;
  }
}

}  // namespace drivesmith
