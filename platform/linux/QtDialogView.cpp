#include "platform/linux/QtDialogView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleHints>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtDialogWindow.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/QtText.h"
#include "ui/UpdateDialog.h"

namespace drivesmith {

QtDialogView::QtDialogView()
    : window_(std::make_unique<QtDialogWindow>()),
      guard_(*this,
             std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval())) {
  window_->SetInputBlocker([this] { return guard_.UpdateRunning(); });
  const std::pair<void (QtDialogWindow::*)(), DialogInput> inputs[] = {
      {&QtDialogWindow::nextStartClicked, DialogInput::NextStart},
      {&QtDialogWindow::backClicked, DialogInput::Back},
      {&QtDialogWindow::closeClicked, DialogInput::Close},
      {&QtDialogWindow::logoClicked, DialogInput::Logo},
      {&QtDialogWindow::cancelRequested, DialogInput::Cancel}};
  for (const auto& [signal, input] : inputs) {
    QObject::connect(window_.get(), signal, [this, input = input] { Press(input); });
  }
}

QtDialogView::~QtDialogView() = default;

void QtDialogView::Press(DialogInput input) { guard_.Press(input, window_->TakePressTime()); }

void QtDialogView::ServeAllButInput() {
  // Input stays held back until the update ends.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialogView::DropQueuedInput() {
  // Clicks, keys and close requests that the window system held back are
  // taken off the queue now, with the window refusing them.
  window_->SetDraining(true);
  QCoreApplication::processEvents();
  window_->SetDraining(false);
}

DialogResult QtDialogView::RunModal(UpdateDialog& dialog) {
  guard_.Attach(&dialog);
  window_->setResult(QDialog::Rejected);
  if (dialog.InitDialog()) {
    // The first control in tab order takes the focus.
    window_->CloseButton()->setFocus(Qt::OtherFocusReason);
  }
  if (initialised_) initialised_();
  const int result = window_->exec();
  dialog.OnDestroy();
  guard_.Attach(nullptr);
  return result == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
}

void QtDialogView::SetCaption(const std::string& text) {
  window_->setWindowTitle(ToDisplayText(text));
}

void QtDialogView::SetIcons() { window_->setWindowIcon(ApplicationIcon()); }

void QtDialogView::SetControlText(ControlId id, const std::string& text) {
  const QString display = ToDisplayText(text);
  QWidget* control = window_->Control(id);
  if (id == ControlId::Title) {
    window_->SetTitleText(display);
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setPlainText(display);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(display);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(display);
  } else if (auto* list = qobject_cast<QComboBox*>(control)) {
    // A drop-down list without edit field selects the entry with this text.
    list->setCurrentIndex(list->findText(display, Qt::MatchExactly));
  }
}

std::string QtDialogView::ControlText(ControlId id) {
  QWidget* control = window_->Control(id);
  if (id == ControlId::Title) {
    return FromDisplayText(window_->Title()->toPlainText());
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    return FromDisplayText(edit->toPlainText());
  }
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    return FromDisplayText(button->text());
  }
  if (auto* label = qobject_cast<QLabel*>(control)) {
    return FromDisplayText(label->text());
  }
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    return FromDisplayText(list->currentText());
  }
  return {};
}

void QtDialogView::EnableControl(ControlId id, bool enabled) {
  if (QWidget* control = window_->Control(id)) {
    control->setEnabled(enabled);
  }
}

void QtDialogView::ShowControl(ControlId id, bool visible) {
  if (QWidget* control = window_->Control(id)) {
    control->setVisible(visible);
  }
}

void QtDialogView::SetChecked(ControlId id, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(window_->Control(id))) {
    box->setChecked(checked);
  }
}

bool QtDialogView::IsChecked(ControlId id) {
  const auto* box = qobject_cast<QCheckBox*>(window_->Control(id));
  return box != nullptr && box->isChecked();
}

void QtDialogView::ClearList() { window_->DriveList()->clear(); }

void QtDialogView::AppendListEntry(const std::string& text) {
  QComboBox* list = window_->DriveList();
  const int selected = list->currentIndex();
  list->addItem(ToDisplayText(text));
  // Appending never selects an entry by itself.
  list->setCurrentIndex(selected);
}

void QtDialogView::SelectListEntry(int index) {
  QComboBox* list = window_->DriveList();
  if (index >= 0 && index < list->count()) {
    list->setCurrentIndex(index);
  }
}

std::string QtDialogView::SelectedListText() {
  const QComboBox* list = window_->DriveList();
  if (list->currentIndex() < 0) {
    return {};
  }
  return FromDisplayText(list->currentText());
}

void QtDialogView::SetProgressRange(int low, int high) {
  window_->ProgressBar()->setRange(low, std::max(low, high));
}

void QtDialogView::SetProgressPosition(std::int32_t position) {
  // The bar ignores positions outside its range; a position beyond an end
  // shows as that end. It paints itself at once when what it shows changes.
  QProgressBar* bar = window_->ProgressBar();
  bar->setValue(std::clamp(static_cast<int>(position), bar->minimum(), bar->maximum()));
  guard_.NoteBusy();
}

void QtDialogView::RepaintNow() {
  window_->repaint();
  guard_.NoteBusy();
}

MessageBoxAnswer QtDialogView::ShowMessageBox(const std::string& text, const std::string& caption,
                                              MessageBoxKind kind) {
  if (answerer_) {
    return answerer_(text, caption, kind);
  }
  return ShowQtMessageBox(window_.get(), text, caption, kind);
}

void QtDialogView::EndDialog(DialogResult result) {
  window_->done(result == DialogResult::Ok ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace drivesmith
