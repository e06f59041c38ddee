#pragma once
// The command line of the TCMU drive handler: which UIO device, what kind of
// drive, how fast its flash work runs, its faults, and where the trace and
// the flash go.

#include <string>
#include <vector>

#include "simulator/DriveModel.h"
#include "simulator/tcmu/DriveService.h"

namespace drivesmith::tcmu {

struct HandlerOptions {
  std::string uioNode;  // /dev/uioN
  sim::DriveModel model;
  DeviceFaults deviceFaults;
  std::string traceFile;  // empty: none
  std::string flashFile;  // empty: none
  bool help = false;
};

std::string HandlerUsage();

// Parses the arguments after the program name; false with `error` set on a
// bad or missing argument.
bool ParseHandlerOptions(const std::vector<std::string>& arguments, HandlerOptions& options,
                         std::string& error);

}  // namespace drivesmith::tcmu
