#pragma once
// Simulated drives behind the simulated ASPI or pass-through port, on one
// simulated clock, with the real transport in front of them.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/support/WizardStatePrinter.h"
#include "transport/ScsiTransport.h"
#include "update/UpdateContext.h"

namespace drivesmith::testing_support {

inline sim::DriveModel DriveOf(sim::LoaderLayout layout, std::string loaderRevision = {}) {
  sim::DriveModel model;
  model.layout = layout;
  model.loaderRevision = std::move(loaderRevision);
  return model;
}

struct UpdateBench {
  explicit UpdateBench(TransportMode mode_ = TransportMode::PassThroughLetter) : mode(mode_) {}

  // At host adapter/target under ASPI, at the drive index under pass-through.
  sim::SimulatedDrive& AddDrive(const sim::DriveModel& model, std::uint8_t hostAdapterOrIndex = 0,
                                std::uint8_t target = 0) {
    drives.push_back(std::make_unique<sim::SimulatedDrive>(model, clock));
    if (mode == TransportMode::Aspi) {
      aspi.Attach(hostAdapterOrIndex, target, *drives.back());
    } else {
      passThrough.Attach({mode, hostAdapterOrIndex}, *drives.back());
    }
    return *drives.back();
  }

  TransportMode mode;
  sim::SimulatedClock clock;
  sim::SimulatedAspi aspi{clock};
  sim::SimulatedPassThrough passThrough{clock};
  ScsiTransport transport{mode, &aspi, &passThrough};
  std::vector<std::unique_ptr<sim::SimulatedDrive>> drives;
};

inline std::size_t CountOpcode(const std::vector<sim::TraceEntry>& trace, std::uint8_t opcode) {
  return static_cast<std::size_t>(std::count_if(
      trace.begin(), trace.end(), [&](const sim::TraceEntry& e) { return e.cdb[0] == opcode; }));
}

// The engine's context on its own: the drive commands on a request record,
// the engine's state, and a status display that records what it is told.
struct EngineHarness : UpdateStatus {
  EngineHarness(ScsiTransport& transport, Clock& clock_)
      : commands(*request, transport), clock(clock_) {}
  void RefreshStatus() override { refreshedStates.push_back(StateNumber(state.UpdateState)); }
  void SendProgress(std::int32_t position) override { positions.push_back(position); }
  void ReportOpenFailure(const std::string&) override {}
  UpdateContext Context() { return UpdateContext{commands, clock, state, *this}; }

  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
  DriveCommands commands;
  Clock& clock;
  EngineState state;
  std::vector<std::int32_t> refreshedStates;  // UpdateState number at every refresh
  std::vector<std::int32_t> positions;
};

}  // namespace drivesmith::testing_support
