#include "programs/drivesmith-demo/AutoPilot.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtDialogWindow.h"
#include "ui/UpdateDialog.h"

namespace drivesmith::demo {

void AutoPilot::Engage(std::optional<int> select) {
  QTimer::singleShot(0, [this, select] { Fly(select); });
}

void AutoPilot::Fly(std::optional<int> select) {
  QtDialogWindow& window = view_.Window();
  if (select) {
    if (*select >= window.DriveList()->count()) {
      out_ << "no list entry " << *select << std::endl;
      window.reject();
      return;
    }
    view_.SelectListEntry(*select);
  }
  out_ << "press: " << window.NextStartButton()->text().toStdString() << std::endl;
  window.NextStartButton()->click();
  if (dialog_.State().UpdateState == WizardState::ReadyToStart) {
    out_ << "press: " << window.NextStartButton()->text().toStdString() << std::endl;
    window.NextStartButton()->click();
  }
  out_ << "final state: " << StateNumber(dialog_.State().UpdateState) << std::endl;
  // Ends the dialog the way Escape does: never a restart.
  window.reject();
}

}  // namespace drivesmith::demo
