#pragma once
// The wizard dialog on a recording view, with a simulated drive behind a real
// transport and a real program file.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/SystemPower.h"
#include "headless/RecordingDialogView.h"
#include "tests/update/UpdateBench.h"
#include "ui/UpdateDialog.h"

namespace drivesmith::testing_support {

class RecordingPower : public SystemPower {
 public:
  void RequestRestart(bool enableShutdownPrivilege) override {
    restarts.push_back(enableShutdownPrivilege);
  }
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override {
    ++inhibits;
    reasons.push_back(reason);
    held = true;
    return std::make_unique<Token>(*this);
  }

  std::vector<bool> restarts;
  std::vector<std::string> reasons;
  int inhibits = 0;
  bool held = false;

 private:
  class Token : public ShutdownInhibitor {
   public:
    explicit Token(RecordingPower& power) : power_(power) {}
    ~Token() override { power_.held = false; }

   private:
    RecordingPower& power_;
  };
};

// Simulated time that lets a test look in while the engine sleeps.
class ObservingClock : public Clock {
 public:
  explicit ObservingClock(Clock& inner) : inner_(inner) {}
  std::chrono::milliseconds Now() override { return inner_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    if (observer) observer();
    inner_.Sleep(duration);
  }
  std::function<void()> observer;

 private:
  Clock& inner_;
};

class DialogBench {
 public:
  explicit DialogBench(TransportMode mode = TransportMode::PassThroughCdrom) : bench(mode) {}

  // Builds the dialog once the drives and the program file are in place.
  UpdateDialog& Build(const std::string& applicationName = "updater") {
    dialog = std::make_unique<UpdateDialog>(
        UpdateDialogPorts{view, bench.Transport(), bench.File(), clock, power, applicationName});
    return *dialog;
  }
  UpdateDialog& Init(const std::string& applicationName = "updater") {
    Build(applicationName);
    dialog->InitDialog();
    return *dialog;
  }
  const DialogState& State() const { return dialog->State(); }
  const RecordingDialogView::ControlState& Control(ControlId id) const { return view.Control(id); }
  std::size_t TraceSize() { return bench.Drive().Trace().size(); }

  UpdateBench bench;
  RecordingDialogView view;
  RecordingPower power;
  ObservingClock clock{bench.Clock()};
  std::unique_ptr<UpdateDialog> dialog;
};

}  // namespace drivesmith::testing_support
