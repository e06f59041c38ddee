#include "platform/linux/QtDialogWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusFrame>
#include <QInputEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTextOption>
#include <algorithm>
#include <utility>

#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtLogoLabel.h"
#include "ui/StateTexts.h"

namespace drivesmith {

namespace {

// Height of the Target Drive list when opened, in dialog units.
constexpr int kDriveListOpenHeightUnits = 162;
// Document margin of the title field, so that its two lines fit.
constexpr double kTitleMargin = 1.0;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::NativeGesture:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

QString ControlName(ControlId id) { return QStringLiteral("control%1").arg(static_cast<int>(id)); }

QLabel* CreateLabel(QWidget* parent, const char* text, Qt::Alignment alignment) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(QString::fromLatin1(text));
  label->setAlignment(alignment);
  return label;
}

// A caption label's text as an accessible name: "Information: " names its
// field "Information".
QString NameFromCaption(const QString& caption) {
  QString name = caption.trimmed();
  if (name.endsWith(QLatin1Char(':'))) name.chop(1);
  return name.trimmed();
}

// Names `control` after its caption label and ties the two together.
void NameAfterCaption(QWidget* control, QLabel* caption) {
  control->setAccessibleName(NameFromCaption(caption->text()));
  caption->setBuddy(control);
}

void MakeSunken(QLabel* label) {
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setLineWidth(1);
}

}  // namespace

QtDialogWindow::QtDialogWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      units_(DialogUnits::FromFont(DialogFont())) {
  setFont(DialogFont());
  setWindowTitle(QString::fromLatin1(text::kDialogCaption));
  setModal(true);
  setSizeGripEnabled(false);
  setFixedSize(units_.ToPixels(QSize(kDialogWidthUnits, kDialogHeightUnits)));
  CreateControls();
  NameControls();
  focusFrame_ = new QFocusFrame(this);
  focusFrame_->setObjectName(QStringLiteral("focusFrame"));
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                        [this](QWidget* /*old*/, QWidget* now) { FollowFocus(now); });
  qApp->installEventFilter(this);
}

QtDialogWindow::~QtDialogWindow() {
  // The controls go after this destructor and may hand the focus on as they
  // do; the frame must not follow it any more by then.
  disconnect(focusWatch_);
  qApp->removeEventFilter(this);
}

void QtDialogWindow::NameControls() {
  NameAfterCaption(driveList_, qobject_cast<QLabel*>(controls_.at(ControlId::TargetDriveLabel)));
  NameAfterCaption(progress_, qobject_cast<QLabel*>(controls_.at(ControlId::ProgressLabel)));
  NameAfterCaption(information_, qobject_cast<QLabel*>(controls_.at(ControlId::InformationLabel)));
  stateArea_->setAccessibleName(QString::fromLatin1(kStateAreaName));
  title_->setAccessibleName(QString::fromLatin1(kTitleName));
  logo_->setAccessibleName(QString::fromLatin1(kLogoName));
  // The buttons, the check box and the plain labels are named by their own
  // texts, which follow every relabelling ("Close" becomes "Reboot").
}

void QtDialogWindow::FollowFocus(QWidget* now) {
  const bool ours = now != nullptr && now != this && IsOwnWidget(now);
  focusFrame_->setWidget(ours ? now : nullptr);
}

void QtDialogWindow::Place(QWidget* control, int x, int y, int width, int height) {
  control->setGeometry(units_.ToPixels(x, y, width, height));
}

void QtDialogWindow::CreateControls() {
  // Created in the template's order, which Qt's focus chain follows as the
  // tab order.
  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setDefault(true);
  Place(close_, 240, 162, 40, 19);
  controls_[ControlId::Close] = close_;

  nextStart_ = new QPushButton(QStringLiteral("Start"), this);
  Place(nextStart_, 240, 106, 40, 18);
  controls_[ControlId::NextStart] = nextStart_;

  back_ = new QPushButton(QStringLiteral("< Back"), this);
  Place(back_, 240, 133, 40, 19);
  controls_[ControlId::Back] = back_;

  driveList_ = new QComboBox(this);
  driveList_->setEditable(false);
  driveList_->setInsertPolicy(QComboBox::InsertAtBottom);
  driveList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  {
    // The template's height includes the opened list; the closed box takes
    // the height its font needs and the list the rest.
    const QRect open = units_.ToPixels(6, 46, 216, kDriveListOpenHeightUnits);
    const int fieldHeight = driveList_->sizeHint().height();
    driveList_->setGeometry(open.x(), open.y(), open.width(), fieldHeight);
    const int itemHeight = std::max(1, driveList_->fontMetrics().height() + 2);
    driveList_->setMaxVisibleItems(std::max(1, (open.height() - fieldHeight) / itemHeight));
    driveList_->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  }
  controls_[ControlId::DriveList] = driveList_;

  auto* targetDrive = CreateLabel(this, "Target Drive", Qt::AlignLeft | Qt::AlignTop);
  targetDrive->setWordWrap(true);
  Place(targetDrive, 7, 32, 61, 8);
  controls_[ControlId::TargetDriveLabel] = targetDrive;

  version_ = CreateLabel(this, kVersionText, Qt::AlignHCenter | Qt::AlignTop);
  MakeSunken(version_);
  version_->setObjectName(QStringLiteral("versionLabel"));
  Place(version_, 240, 8, 63, 17);

  stateArea_ = new QPlainTextEdit(this);
  stateArea_->setReadOnly(true);
  stateArea_->setLineWrapMode(QPlainTextEdit::NoWrap);
  stateArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  stateArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  stateArea_->setFocusPolicy(Qt::StrongFocus);
  stateArea_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  Place(stateArea_, 7, 91, 216, 58);
  controls_[ControlId::StateArea] = stateArea_;

  progress_ = new QProgressBar(this);
  progress_->setTextVisible(false);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  Place(progress_, 7, 167, 216, 9);
  controls_[ControlId::ProgressBar] = progress_;

  auto* progressLabel = CreateLabel(this, "Progress", Qt::AlignLeft | Qt::AlignTop);
  progressLabel->setWordWrap(true);
  Place(progressLabel, 7, 154, 41, 8);
  controls_[ControlId::ProgressLabel] = progressLabel;

  auto* informationLabel = CreateLabel(this, "Information: ", Qt::AlignLeft | Qt::AlignTop);
  informationLabel->setWordWrap(true);
  Place(informationLabel, 7, 70, 41, 10);
  controls_[ControlId::InformationLabel] = informationLabel;

  information_ = CreateLabel(this, "", Qt::AlignCenter);
  MakeSunken(information_);
  Place(information_, 54, 68, 122, 12);
  controls_[ControlId::Information] = information_;

  updateLoader_ = new QCheckBox(QStringLiteral("Update Loader"), this);
  Place(updateLoader_, 241, 84, 58, 10);
  controls_[ControlId::UpdateLoader] = updateLoader_;

  title_ = new QTextEdit(this);
  title_->setReadOnly(true);
  title_->setAcceptRichText(false);
  title_->setLineWrapMode(QTextEdit::WidgetWidth);
  title_->setWordWrapMode(QTextOption::WordWrap);
  title_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  title_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  title_->setLineWidth(1);
  title_->setFocusPolicy(Qt::StrongFocus);
  title_->setTabChangesFocus(true);
  title_->document()->setDocumentMargin(kTitleMargin);
  {
    QTextOption centred = title_->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    centred.setWrapMode(QTextOption::WordWrap);
    title_->document()->setDefaultTextOption(centred);
  }
  Place(title_, 6, 6, 216, 19);
  controls_[ControlId::Title] = title_;

  logo_ = new QtLogoLabel(this);
  logo_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  logo_->setLineWidth(1);
  logo_->setAlignment(Qt::AlignCenter);
  Place(logo_, 240, 31, 63, 29);
  {
    // The picture keeps its proportions inside the control's frame.
    const QSize room = logo_->contentsRect().size();
    const QImage logo = DrawLogo();
    logo_->setPixmap(QPixmap::fromImage(
        logo.size().width() <= room.width() && logo.size().height() <= room.height()
            ? logo
            : logo.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
  controls_[ControlId::Logo] = logo_;

  stateArea_->setTabChangesFocus(true);
  setTabOrder(close_, nextStart_);
  setTabOrder(nextStart_, back_);
  setTabOrder(back_, driveList_);
  setTabOrder(driveList_, stateArea_);
  setTabOrder(stateArea_, updateLoader_);
  setTabOrder(updateLoader_, title_);

  for (const auto& [id, control] : controls_) {
    control->setObjectName(ControlName(id));
  }

  connect(close_, &QPushButton::clicked, this, &QtDialogWindow::closeClicked);
  connect(nextStart_, &QPushButton::clicked, this, &QtDialogWindow::nextStartClicked);
  connect(back_, &QPushButton::clicked, this, &QtDialogWindow::backClicked);
  connect(logo_, &QtLogoLabel::clicked, this, &QtDialogWindow::logoClicked);

  setWindowIcon(ApplicationIcon());
}

QWidget* QtDialogWindow::Control(ControlId id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void QtDialogWindow::SetInputBlocker(std::function<bool()> blocked) {
  blocked_ = std::move(blocked);
}

bool QtDialogWindow::InputBlocked() const { return draining_ || (blocked_ && blocked_()); }

std::optional<InputTime> QtDialogWindow::TakePressTime() { return std::exchange(pressTime_, {}); }

void QtDialogWindow::SetTitleText(const QString& text) { title_->setPlainText(text); }

void QtDialogWindow::reject() {
  // Escape and the close box take the dialog's cancel path; the dialog's
  // logic decides whether to end.
  if (InputBlocked()) {
    return;
  }
  emit cancelRequested();
}

void QtDialogWindow::closeEvent(QCloseEvent* event) {
  if (InputBlocked()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool QtDialogWindow::IsOwnWidget(const QObject* object) const {
  if (object == nullptr || !object->isWidgetType()) {
    return false;
  }
  const auto* widget = static_cast<const QWidget*>(object);
  return widget == this || isAncestorOf(widget);
}

bool QtDialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (IsUserInput(event->type()) && IsOwnWidget(watched)) {
    if (InputBlocked()) {
      event->ignore();
      return true;
    }
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
        type == QEvent::KeyPress) {
      pressTime_ =
          InputTime(static_cast<std::uint32_t>(static_cast<QInputEvent*>(event)->timestamp()));
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace drivesmith
