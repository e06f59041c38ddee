#pragma once
// What the update engine works with: the drive commands on the one request
// record, the clock, the engine's state and the status display.

#include <cstdint>
#include <string>

#include "drive/DriveCommands.h"
#include "transport/TransportMode.h"
#include "update/Clock.h"
#include "update/EngineState.h"

namespace drivesmith {

// The display side of an update: the dialog implements it.
class UpdateStatus {
 public:
  virtual ~UpdateStatus() = default;
  // Rebuilds the state text from EngineState::UpdateState and repaints at once.
  virtual void RefreshStatus() = 0;
  // Moves the progress bar to `position`.
  virtual void SendProgress(std::int32_t position) = 0;
  // Shows the file layer's report of a program file that cannot be opened.
  virtual void ReportOpenFailure(const std::string& report) = 0;
};

struct UpdateContext {
  DriveCommands& commands;
  Clock& clock;
  EngineState& state;
  UpdateStatus& status;

  ScsiRequest& Request() { return commands.Request(); }
  TransportMode Mode() { return commands.Transport().Mode(); }

  // Every change of state is shown at once.
  void SetUpdateState(WizardState updateState) {
    state.UpdateState = updateState;
    status.RefreshStatus();
  }
  void SendProgress() { status.SendProgress(state.ProgressCounter); }
};

}  // namespace drivesmith
