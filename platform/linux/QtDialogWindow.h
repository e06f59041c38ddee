#pragma once
// The wizard dialog's window on Qt: dialog template 102 with its controls,
// texts, tab order and fixed layout, converted from dialog units with the
// dialog's font. The window only reports clicks; the dialog's logic decides.
//
// For assistive technology every control has an accessible name (the text of
// its caption label where it has one), and a focus frame follows the keyboard
// focus from control to control, so the focus is always plain to see.
//
// While the input blocker says so (an update is running), the window drops
// every mouse and keyboard event addressed to it and refuses to be closed,
// so nothing the user does meanwhile has any effect, then or later.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>

#include "platform/linux/QtDialogUnits.h"
#include "ui/DialogView.h"
#include "ui/InputGuard.h"

class QCheckBox;
class QComboBox;
class QFocusFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace drivesmith {

class QtLogoLabel;

// The template's texts and geometry.
inline constexpr char kVersionText[] = "2004  Ver 10.0";
inline constexpr int kDialogWidthUnits = 310;
inline constexpr int kDialogHeightUnits = 188;
// Accessible names of the controls that have no caption label.
inline constexpr char kStateAreaName[] = "State";
inline constexpr char kTitleName[] = "Title";
inline constexpr char kLogoName[] = "Logo";

class QtDialogWindow : public QDialog {
  Q_OBJECT

 public:
  explicit QtDialogWindow(QWidget* parent = nullptr);
  ~QtDialogWindow() override;

  // The control with id `id`, or null for an id the template lacks.
  QWidget* Control(ControlId id) const;
  QLabel* VersionLabel() const { return version_; }
  const DialogUnits& Units() const { return units_; }

  QPushButton* CloseButton() const { return close_; }
  QPushButton* NextStartButton() const { return nextStart_; }
  QPushButton* BackButton() const { return back_; }
  QComboBox* DriveList() const { return driveList_; }
  QPlainTextEdit* StateArea() const { return stateArea_; }
  QProgressBar* ProgressBar() const { return progress_; }
  QLabel* Information() const { return information_; }
  QCheckBox* UpdateLoader() const { return updateLoader_; }
  QTextEdit* Title() const { return title_; }
  QtLogoLabel* Logo() const { return logo_; }
  // The frame drawn round the control that has the keyboard focus.
  QFocusFrame* FocusFrame() const { return focusFrame_; }

  // Input and close requests are dropped while `blocked` returns true.
  void SetInputBlocker(std::function<bool()> blocked);
  // Drops input for a moment regardless of the blocker, e.g. while the input
  // that queued up during an update is taken off the queue.
  void SetDraining(bool draining) { draining_ = draining; }
  bool InputBlocked() const;
  // The time stamp of the last mouse or key press on the window that has not
  // been taken yet: the press behind the click being reported. None for a
  // click that no press made (a program's own click()).
  std::optional<InputTime> TakePressTime();

  // The two centred title lines of control 1026.
  void SetTitleText(const QString& text);

 signals:
  void closeClicked();
  void nextStartClicked();
  void backClicked();
  void logoClicked();
  // Escape or the window's close box.
  void cancelRequested();

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void NameControls();
  void FollowFocus(QWidget* now);
  void Place(QWidget* control, int x, int y, int width, int height);
  bool IsOwnWidget(const QObject* object) const;

  DialogUnits units_;
  std::function<bool()> blocked_;
  bool draining_ = false;
  std::optional<InputTime> pressTime_;
  std::map<ControlId, QWidget*> controls_;

  QPushButton* close_ = nullptr;
  QPushButton* nextStart_ = nullptr;
  QPushButton* back_ = nullptr;
  QComboBox* driveList_ = nullptr;
  QLabel* version_ = nullptr;
  QPlainTextEdit* stateArea_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* information_ = nullptr;
  QCheckBox* updateLoader_ = nullptr;
  QTextEdit* title_ = nullptr;
  QtLogoLabel* logo_ = nullptr;
  QFocusFrame* focusFrame_ = nullptr;
  QMetaObject::Connection focusWatch_;
};

}  // namespace drivesmith
