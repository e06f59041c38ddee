#pragma once
// Pass-through devices by name ("\\.\cdrom0", "\\.\d:", or any name such as
// "/dev/sg3") backed by simulated drives. The request buffer is read as the
// storage driver reads it: the header's lengths, direction, offsets and
// command block; the status, sense and data-in bytes are written back.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "simulator/SimulatedDrive.h"
#include "transport/PassThroughLayer.h"
#include "update/Clock.h"

namespace drivesmith::sim {

class SimulatedPassThrough : public drivesmith::PassThroughLayer {
 public:
  explicit SimulatedPassThrough(drivesmith::Clock& clock);

  void Attach(const std::string& deviceName, SimulatedDrive& drive);

  // Null for a name with no drive attached.
  std::unique_ptr<drivesmith::PassThroughDevice> Open(const std::string& deviceName) override;

  struct Counters {
    int opened = 0;
    int closed = 0;
    int failedOpens = 0;
    int requests = 0;
    // Requests whose header or buffer the driver would refuse (ScsiStatus left as preset).
    int refusedRequests = 0;
  };
  const Counters& Statistics() const { return *counters_; }

 private:
  drivesmith::Clock& clock_;
  std::map<std::string, SimulatedDrive*> drives_;
  std::shared_ptr<Counters> counters_;
};

}  // namespace drivesmith::sim
