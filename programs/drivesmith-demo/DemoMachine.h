#pragma once
// The simulated machine of the demo: the drives that the options ask for,
// reachable the way the options say, and the platform that start-up sees.

#include <memory>
#include <vector>

#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "programs/drivesmith-demo/TracingPassThroughLayer.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "simulator/SimulatedPlatform.h"
#include "update/Clock.h"

namespace drivesmith::demo {

class DemoMachine {
 public:
  // `trace` may be null.
  DemoMachine(const DemoOptions& options, Clock& clock, TraceWriter* trace);

  AppPlatform& Platform() { return platform_; }
  PassThroughLayer& PassThrough() { return tracingPassThrough_; }
  sim::SimulatedDrive& Drive(std::size_t index) { return *drives_.at(index); }

 private:
  sim::SimulatedPlatform platform_;
  sim::SimulatedAspi aspi_;
  sim::SimulatedPassThrough passThrough_;
  TracingPassThroughLayer tracingPassThrough_;
  std::vector<std::unique_ptr<sim::SimulatedDrive>> drives_;
};

}  // namespace drivesmith::demo
