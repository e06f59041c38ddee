#pragma once
// The real wizard window on simulated drives, for tests that drive it by
// mouse and keyboard: simulated drives behind the pass-through port, a real
// program file carrying a synthetic image, simulated time, and a recording
// restart port. The window is watched at every repaint: what its controls
// show is kept per state, and a screenshot of each state is saved.

#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SystemPower.h"
#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtDialogWindow.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/app/PackedProgram.h"
#include "transport/ScsiTransport.h"
#include "ui/UpdateDialog.h"

namespace drivesmith::gui_test {

class RecordingPower : public SystemPower {
 public:
  void RequestRestart(bool enableShutdownPrivilege) override;
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override;
  int Restarts() const { return restarts_; }
  int Inhibits() const { return inhibits_; }
  int Held() const { return *held_; }

 private:
  int restarts_ = 0;
  int inhibits_ = 0;
  std::shared_ptr<int> held_ = std::make_shared<int>(0);
};

// What the window's controls showed at a repaint.
struct WindowSnapshot {
  int state = -1;
  QString stateText;
  QString nextStartText;
  QString closeText;
  bool nextStartEnabled = false;
  bool closeEnabled = false;
  bool backEnabled = false;
  int progress = 0;
  bool updateLoaderVisible = false;
};

WindowSnapshot Snapshot(QtDialogWindow& window, int state);

// Saves a picture of `window` as <artifacts>/<name>.png; returns the path.
QString SaveScreenshot(QWidget& window, const QString& name);

sim::DriveModel OneMegabyteDrive();
sim::DriveModel TwoMegabyteDrive();

// Observes the real view from between the dialog and it.
class WatchedView;

// The dialog's clock: simulated time, with a hook that runs inside each of
// the engine's sleeps, where the real clock serves the event loop.
class HookedClock : public drivesmith::Clock {
 public:
  explicit HookedClock(sim::SimulatedClock& inner) : inner_(inner) {}
  std::chrono::milliseconds Now() override { return inner_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    inner_.Sleep(duration);
    if (hook) hook();
  }
  std::function<void()> hook;

 private:
  sim::SimulatedClock& inner_;
};

class WizardHarness {
 public:
  // Drives at "\\.\cdrom0", "\\.\cdrom1", ...; the program file carries an
  // image of `imageSizeMiB` with `typeCode`.
  WizardHarness(std::vector<sim::DriveModel> drives, unsigned imageSizeMiB,
                std::string typeCode = "M7EH00");
  ~WizardHarness();

  // Runs the dialog modally; `steps` run once the modal run has begun. A
  // dialog that the steps leave open is ended afterwards and EndedByHarness()
  // tells so. Returns how the modal run ended.
  DialogResult Run(const std::function<void()>& steps);
  bool EndedByHarness() const { return endedByHarness_; }

  // Screenshots are named <prefix>-state-NN.
  void SetScreenshotPrefix(const QString& prefix) { screenshotPrefix_ = prefix; }
  // Runs at every repaint while an update runs, after the snapshot.
  void DuringUpdate(std::function<void()> action) { duringUpdate_ = std::move(action); }
  // Runs inside every sleep of the engine, during an update or before it.
  void DuringSleep(std::function<void()> action) { dialogClock_.hook = std::move(action); }

  QtDialogView& View() { return view_; }
  QtDialogWindow& Window() { return view_.Window(); }
  UpdateDialog& Dialog() { return *dialog_; }
  RecordingPower& Power() { return power_; }
  sim::SimulatedDrive& Drive(std::size_t i) { return *drives_.at(i); }
  sim::SimulatedClock& Clock() { return clock_; }
  const testing_support::PackedProgram& Program() const { return program_; }

  int State() const { return dialog_->State().UpdateState; }
  // The first snapshot of each state, and every snapshot in order.
  const std::map<int, WindowSnapshot>& FirstSnapshots() const { return firstSnapshots_; }
  const std::vector<WindowSnapshot>& Snapshots() const { return snapshots_; }

 private:
  friend class WatchedView;
  void Repainted();

  sim::SimulatedClock clock_;
  HookedClock dialogClock_{clock_};
  sim::SimulatedPassThrough passThrough_{clock_};
  std::vector<std::unique_ptr<sim::SimulatedDrive>> drives_;
  testing_support::PackedProgram program_;
  ScsiTransport transport_{TransportMode::PassThroughCdrom, nullptr, &passThrough_};
  RecordingPower power_;
  QtDialogView view_;
  std::unique_ptr<WatchedView> watched_;
  std::unique_ptr<UpdateDialog> dialog_;
  bool endedByHarness_ = false;
  QString screenshotPrefix_;
  std::function<void()> duringUpdate_;
  std::map<int, WindowSnapshot> firstSnapshots_;
  std::vector<WindowSnapshot> snapshots_;
};

// Clicks a control with the mouse in its middle.
void Click(QWidget* widget);
// Presses a key where the keyboard focus is (the window when nothing has it).
void PressKey(QtDialogWindow& window, int key);

// Answers the next message box that comes up by clicking `button`, and
// keeps what it showed.
struct SeenMessageBox {
  QString text;
  QString caption;
  int icon = 0;
  int buttons = 0;
  bool modal = false;
  QWidget* parent = nullptr;
};
class MessageBoxAnswerer {
 public:
  // Answers every box that comes up while it exists.
  explicit MessageBoxAnswerer(int standardButton);
  ~MessageBoxAnswerer();
  const std::vector<SeenMessageBox>& Seen() const { return seen_; }

 private:
  void Poll();
  int button_;
  std::vector<SeenMessageBox> seen_;
  std::unique_ptr<QTimer> timer_;
};

}  // namespace drivesmith::gui_test
