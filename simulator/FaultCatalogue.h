#pragma once
// The faults a simulated drive can be given by name, as the demo's --fault
// and the simulated ASPI layer's settings take them, and the drive models
// they make.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "simulator/DriveModel.h"

namespace drivesmith::sim {

enum class Fault {
  Refuse12Byte,      // the 12-byte transfer command is refused (the update falls back)
  WrongSum,          // the drive's sum check fails
  StopResponding,    // the drive stops answering during the transfer
  NeverFinish,       // the flash work never ends
  WorkError,         // the flash work fails
  MediumNotPresent,  // some blocks are refused a few times before they are taken
};

// "refuse-12-byte", "wrong-sum", "stop-responding", "never-finish",
// "work-error", "medium-not-present"; nothing for any other name.
std::optional<Fault> FaultNamed(std::string_view name);

// The model of the `index`-th simulated drive of `layout` with `faults`.
DriveModel DriveModelWithFaults(LoaderLayout layout, const std::vector<Fault>& faults,
                                std::size_t index);

}  // namespace drivesmith::sim
