#include "programs/drivesmith-demo/DemoMachine.h"

#include "transport/TransportPlatform.h"

namespace drivesmith::demo {

DemoMachine::DemoMachine(const DemoOptions& options, Clock& clock, TraceWriter* trace)
    : platform_(options.transport == DemoTransport::Aspi ? kPlatformWin9x : kPlatformNt),
      aspi_(clock),
      passThrough_(clock),
      tracingPassThrough_(passThrough_, trace) {
  if (options.transport == DemoTransport::Aspi) {
    platform_.SetAspi(&aspi_);
  }
  for (std::size_t i = 0; i < options.drives.size(); ++i) {
    drives_.push_back(std::make_unique<sim::SimulatedDrive>(
        sim::DriveModelWithFaults(options.drives[i], options.faults, i), clock));
    sim::SimulatedDrive& drive = *drives_.back();
    const auto number = static_cast<std::uint8_t>(i);
    switch (options.transport) {
      case DemoTransport::Cdrom:
        passThrough_.Attach({TransportMode::PassThroughCdrom, number}, drive);
        break;
      case DemoTransport::Letter:
        passThrough_.Attach({TransportMode::PassThroughLetter, number}, drive);
        break;
      case DemoTransport::Aspi:
        aspi_.Attach(0, number, drive);
        break;
    }
    if (trace != nullptr) {
      trace->Watch(drive);
    }
  }
}

}  // namespace drivesmith::demo
