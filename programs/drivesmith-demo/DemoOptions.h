#pragma once
// The demo's command line: which simulated drives, how fast they work, which
// faults they show, and whether the demo runs the update by itself.

#include <optional>
#include <string>
#include <vector>

#include "simulator/DriveModel.h"
#include "simulator/FaultCatalogue.h"

namespace drivesmith::demo {

// How start-up reaches the simulated drives.
enum class DemoTransport {
  Cdrom,   // pass-through, "\\.\cdrom0", "\\.\cdrom1", ...
  Letter,  // pass-through, "\\.\d:", "\\.\e:", ...
  Aspi,    // ASPI, host adapter 0, targets 0, 1, ...
};

struct DemoOptions {
  std::vector<sim::LoaderLayout> drives;  // in device order
  double timeScale = 1.0;                 // 1: the drive works in real time
  std::vector<sim::Fault> faults;  // every simulated drive shows them
  std::string traceFile;  // empty: no trace
  bool autoRun = false;
  std::optional<int> select;  // list entry to pick
  DemoTransport transport = DemoTransport::Cdrom;
  bool help = false;
};

// The usage text.
std::string DemoUsage();

// Parses the arguments after the program name. Without --drive: a drive of
// the two-megabyte layout, then one of the one-megabyte layout. Returns false
// and explains in `error` on a bad argument.
bool ParseDemoOptions(const std::vector<std::string>& arguments, DemoOptions& options,
                      std::string& error);

}  // namespace drivesmith::demo
