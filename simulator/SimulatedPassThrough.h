#pragma once
// Pass-through devices by address backed by simulated drives: each request's
// command block, direction and data go to the drive; its status, sense and
// data-in bytes come back.

#include <cstdint>
#include <map>
#include <memory>

#include "simulator/SimulatedDrive.h"
#include "transport/PassThroughLayer.h"
#include "update/Clock.h"

namespace drivesmith::sim {

class SimulatedPassThrough : public drivesmith::PassThroughLayer {
 public:
  explicit SimulatedPassThrough(drivesmith::Clock& clock);

  void Attach(drivesmith::PassThroughAddress address, SimulatedDrive& drive);

  // Null for an address with no drive attached.
  std::unique_ptr<drivesmith::PassThroughDevice> Open(
      drivesmith::PassThroughAddress address) override;

  struct Counters {
    int opened = 0;
    int closed = 0;
    int failedOpens = 0;
    int requests = 0;
  };
  const Counters& Statistics() const { return *counters_; }

 private:
  drivesmith::Clock& clock_;
  std::map<drivesmith::PassThroughAddress, SimulatedDrive*> drives_;
  std::shared_ptr<Counters> counters_;
};

}  // namespace drivesmith::sim
