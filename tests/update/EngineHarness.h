#pragma once
// The engine's context on its own: a request record, the drive commands, the
// engine's state and a status display that records what it is asked to show.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveCommands.h"
#include "transport/ScsiRequest.h"
#include "transport/ScsiTransport.h"
#include "update/Clock.h"
#include "update/UpdateContext.h"

namespace drivesmith::testing_support {

class RecordingStatus : public UpdateStatus {
 public:
  explicit RecordingStatus(const EngineState& state) : state_(state) {}
  void RefreshStatus() override { refreshedStates.push_back(state_.UpdateState); }
  void SendProgress(std::int32_t position) override { positions.push_back(position); }
  void ReportOpenFailure(const std::string& report) override { openFailures.push_back(report); }

  std::vector<std::int32_t> refreshedStates;  // UpdateState at every refresh
  std::vector<std::int32_t> positions;
  std::vector<std::string> openFailures;

 private:
  const EngineState& state_;
};

class EngineHarness {
 public:
  EngineHarness(ScsiTransport& transport, Clock& clock)
      : request_(std::make_unique<ScsiRequest>()), commands_(*request_, transport), clock_(clock) {}

  UpdateContext Context() { return UpdateContext{commands_, clock_, state, status}; }
  ScsiRequest& Request() { return *request_; }
  DriveCommands& Commands() { return commands_; }

  EngineState state;
  RecordingStatus status{state};

 private:
  std::unique_ptr<ScsiRequest> request_;
  DriveCommands commands_;
  Clock& clock_;
};

}  // namespace drivesmith::testing_support
