#include "tests/gui/WizardHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace drivesmith::gui_test {

namespace {

class CountedInhibitor : public ShutdownInhibitor {
 public:
  explicit CountedInhibitor(std::shared_ptr<int> held) : held_(std::move(held)) { ++*held_; }
  ~CountedInhibitor() override { --*held_; }
  CountedInhibitor(const CountedInhibitor&) = delete;
  CountedInhibitor& operator=(const CountedInhibitor&) = delete;

 private:
  std::shared_ptr<int> held_;
};

// How often a message box answerer looks for a box, in milliseconds of the
// event loop that the box runs.
constexpr int kAnswererPollMs = 5;

}  // namespace

void RecordingPower::RequestRestart(bool /*enableShutdownPrivilege*/) { ++restarts_; }

std::unique_ptr<ShutdownInhibitor> RecordingPower::InhibitShutdown(const std::string& /*reason*/) {
  ++inhibits_;
  return std::make_unique<CountedInhibitor>(held_);
}

WindowSnapshot Snapshot(QtDialogWindow& window, int state) {
  WindowSnapshot snapshot;
  snapshot.state = state;
  snapshot.stateText = window.StateArea()->toPlainText();
  snapshot.nextStartText = window.NextStartButton()->text();
  snapshot.closeText = window.CloseButton()->text();
  snapshot.nextStartEnabled = window.NextStartButton()->isEnabled();
  snapshot.closeEnabled = window.CloseButton()->isEnabled();
  snapshot.backEnabled = window.BackButton()->isEnabled();
  snapshot.progress = window.ProgressBar()->value();
  snapshot.updateLoaderVisible = window.UpdateLoader()->isVisible();
  return snapshot;
}

QString SaveScreenshot(QWidget& window, const QString& name) {
  const QString folder = QStringLiteral(DRIVESMITH_TEST_ARTIFACTS_DIR);
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("/") + name + QStringLiteral(".png");
  window.grab().save(path);
  return path;
}

sim::DriveModel OneMegabyteDrive() {
  sim::DriveModel model;
  model.layout = sim::LoaderLayout::OneMegabyte;
  return model;
}

sim::DriveModel TwoMegabyteDrive() {
  sim::DriveModel model;
  model.layout = sim::LoaderLayout::TwoMegabyte;
  return model;
}

class WatchedView : public DialogView {
 public:
  WatchedView(DialogView& inner, WizardHarness& harness) : inner_(inner), harness_(harness) {}
  void SetCaption(const std::string& text) override { inner_.SetCaption(text); }
  void SetIcons() override { inner_.SetIcons(); }
  void SetControlText(ControlId id, const std::string& text) override {
    inner_.SetControlText(id, text);
  }
  std::string ControlText(ControlId id) override { return inner_.ControlText(id); }
  void EnableControl(ControlId id, bool enabled) override { inner_.EnableControl(id, enabled); }
  void ShowControl(ControlId id, bool visible) override { inner_.ShowControl(id, visible); }
  void SetChecked(ControlId id, bool checked) override { inner_.SetChecked(id, checked); }
  bool IsChecked(ControlId id) override { return inner_.IsChecked(id); }
  void ClearList() override { inner_.ClearList(); }
  void AppendListEntry(const std::string& text) override { inner_.AppendListEntry(text); }
  void SelectListEntry(int index) override { inner_.SelectListEntry(index); }
  std::string SelectedListText() override { return inner_.SelectedListText(); }
  void SetProgressRange(int low, int high) override { inner_.SetProgressRange(low, high); }
  void SetProgressPosition(std::int32_t position) override { inner_.SetProgressPosition(position); }
  void RepaintNow() override {
    inner_.RepaintNow();
    harness_.Repainted();
  }
  MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                  MessageBoxKind kind) override {
    return inner_.ShowMessageBox(text, caption, kind);
  }
  void EndDialog(DialogResult result) override { inner_.EndDialog(result); }

 private:
  DialogView& inner_;
  WizardHarness& harness_;
};

WizardHarness::WizardHarness(std::vector<sim::DriveModel> drives, unsigned imageSizeMiB,
                             std::string typeCode)
    : program_(imageSizeMiB, std::move(typeCode)) {
  for (std::size_t i = 0; i < drives.size(); ++i) {
    drives_.push_back(std::make_unique<sim::SimulatedDrive>(drives[i], clock_));
    passThrough_.Attach(
        PassThroughDeviceName(TransportMode::PassThroughCdrom, static_cast<std::uint8_t>(i)),
        *drives_.back());
  }
  watched_ = std::make_unique<WatchedView>(view_, *this);
  dialog_ = std::make_unique<UpdateDialog>(UpdateDialogPorts{*watched_, transport_, program_.File(),
                                                             dialogClock_, power_, "drivesmith"});
}

WizardHarness::~WizardHarness() = default;

void WizardHarness::Repainted() {
  const int state = dialog_->State().UpdateState;
  WindowSnapshot snapshot = Snapshot(Window(), state);
  snapshots_.push_back(snapshot);
  if (firstSnapshots_.emplace(state, snapshot).second && !screenshotPrefix_.isEmpty() &&
      Window().isVisible()) {
    SaveScreenshot(
        Window(),
        QStringLiteral("%1-state-%2").arg(screenshotPrefix_).arg(state, 2, 10, QLatin1Char('0')));
  }
  if (dialog_->UpdateRunning() && duringUpdate_) {
    duringUpdate_();
  }
}

DialogResult WizardHarness::Run(const std::function<void()>& steps) {
  endedByHarness_ = false;
  QTimer::singleShot(0, [this, steps] {
    steps();
    if (Window().isVisible()) {
      endedByHarness_ = true;
      Window().done(QDialog::Rejected);
    }
  });
  return view_.RunModal(*dialog_);
}

void Click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void PressKey(QtDialogWindow& window, int key) {
  QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
  QTest::keyClick(target, static_cast<Qt::Key>(key));
}

MessageBoxAnswerer::MessageBoxAnswerer(int standardButton)
    : button_(standardButton), timer_(std::make_unique<QTimer>()) {
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Poll(); });
  timer_->start(kAnswererPollMs);
}

MessageBoxAnswerer::~MessageBoxAnswerer() = default;

void MessageBoxAnswerer::Poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) {
    return;
  }
  SeenMessageBox seen;
  seen.text = box->text();
  seen.caption = box->windowTitle();
  seen.icon = box->icon();
  seen.buttons = static_cast<int>(box->standardButtons());
  seen.modal = box->isModal();
  seen.parent = box->parentWidget();
  seen_.push_back(seen);
  QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(button_));
  if (button != nullptr) {
    button->click();
  } else {
    box->reject();
  }
}

}  // namespace drivesmith::gui_test
