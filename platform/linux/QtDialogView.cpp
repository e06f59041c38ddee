#include "platform/linux/QtDialogView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtDialogWindow.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/QtText.h"
#include "ui/UpdateDialog.h"

namespace drivesmith {

QtDialogView::QtDialogView() : window_(std::make_unique<QtDialogWindow>()) {
  window_->SetInputBlocker([this] { return UpdateRunning(); });
  QObject::connect(window_.get(), &QtDialogWindow::nextStartClicked,
                   [this] { RunHandler([](UpdateDialog& dialog) { dialog.OnNextStart(); }); });
  QObject::connect(window_.get(), &QtDialogWindow::backClicked,
                   [this] { RunHandler([](UpdateDialog& dialog) { dialog.OnBack(); }); });
  QObject::connect(window_.get(), &QtDialogWindow::closeClicked,
                   [this] { RunHandler([](UpdateDialog& dialog) { dialog.OnCloseReboot(); }); });
  QObject::connect(window_.get(), &QtDialogWindow::logoClicked,
                   [this] { RunHandler([](UpdateDialog& dialog) { dialog.OnLogoClick(); }); });
  QObject::connect(window_.get(), &QtDialogWindow::cancelRequested,
                   [this] { RunHandler([](UpdateDialog& dialog) { dialog.OnCancel(); }); });
}

QtDialogView::~QtDialogView() = default;

bool QtDialogView::UpdateRunning() const { return dialog_ != nullptr && dialog_->UpdateRunning(); }

void QtDialogView::NoteBusy() {
  if (UpdateRunning()) {
    sawUpdate_ = true;
    // Long stretches of the transfer send block after block without a pause;
    // serving the window system here keeps the desktop from marking the
    // window as not responding. Input stays held back until the update ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void QtDialogView::RunHandler(const std::function<void(UpdateDialog&)>& handler) {
  if (dialog_ == nullptr || handlerRunning_ || UpdateRunning()) {
    return;
  }
  sawUpdate_ = false;
  handlerRunning_ = true;
  handler(*dialog_);
  handlerRunning_ = false;
  if (sawUpdate_) {
    // Clicks, keys and close requests that the window system held back while
    // the update ran are taken off the queue now and dropped.
    window_->SetDraining(true);
    QCoreApplication::processEvents();
    window_->SetDraining(false);
    sawUpdate_ = false;
  }
}

DialogResult QtDialogView::RunModal(UpdateDialog& dialog) {
  dialog_ = &dialog;
  window_->setResult(QDialog::Rejected);
  if (dialog.InitDialog()) {
    // The first control in tab order takes the focus.
    window_->CloseButton()->setFocus(Qt::OtherFocusReason);
  }
  if (initialised_) initialised_();
  const int result = window_->exec();
  dialog.OnDestroy();
  dialog_ = nullptr;
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
  // shows as that end.
  QProgressBar* bar = window_->ProgressBar();
  bar->setValue(std::clamp(static_cast<int>(position), bar->minimum(), bar->maximum()));
  bar->repaint();
  NoteBusy();
}

void QtDialogView::RepaintNow() {
  window_->repaint();
  NoteBusy();
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
