#pragma once
// What the simulated "WNASPI32.DLL" is told through its environment, since it
// has no other way in:
//   DRIVESMITH_SIM_DRIVES       comma-separated 1m / 2m, each optionally
//                               @HA:ID (default 2m@0:0; a drive without an
//                               address takes host adapter 0 and its place
//                               in the list as target)
//   DRIVESMITH_SIM_TRACE        file to which every command is appended
//   DRIVESMITH_SIM_FLASH        folder for each drive's flash, rewritten as
//                               flash-HA-ID.bin whenever it changes
//   DRIVESMITH_SIM_FAULT        the demo's fault names, comma-separated
//   DRIVESMITH_SIM_TIME_SCALE   real seconds per simulated second (default 1)
//   DRIVESMITH_SIM_COMPLETION   async (default), immediate,
//                               immediate-unsignalled, late:MS, never
//   DRIVESMITH_SIM_COMPLETION_FILE  a file holding the completion mode,
//                               which then stands for the variable above
//   DRIVESMITH_SIM_SUPPORT      GetASPI32SupportInfo's value (decimal or 0x
//                               hexadecimal; default 0x0100 | drive count)
// Parsing is free of Windows, so it is tested everywhere.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "simulator/DriveModel.h"
#include "simulator/FaultCatalogue.h"

namespace drivesmith::sim {

// How a command's completion reaches its block and event.
struct SimCompletion {
  enum class Kind {
    Async,      // from the worker thread, as soon as the drive has answered
    Immediate,  // final before SendASPI32Command returns, event signalled
    // Final before SendASPI32Command returns, refusals included, and the
    // event never signalled, as a manager may treat a command it finishes
    // within the call.
    ImmediateUnsignalled,
    Late,       // from the worker thread, `delay` after the command arrived
    Never,      // the block stays pending and the event is never signalled
  };
  Kind kind = Kind::Async;
  std::chrono::milliseconds delay{0};
  bool operator==(const SimCompletion&) const = default;
};

struct SimDriveSetting {
  LoaderLayout layout = LoaderLayout::TwoMegabyte;
  std::uint8_t hostAdapter = 0;
  std::uint8_t target = 0;
  bool operator==(const SimDriveSetting&) const = default;
};

struct SimAspiSettings {
  std::vector<SimDriveSetting> drives;
  std::string traceFile;    // empty: no trace
  std::string flashFolder;  // empty: flash not written out
  std::vector<Fault> faults;
  double timeScale = 1.0;
  SimCompletion completion;
  std::optional<std::uint32_t> supportInfo;
};

// Reads an environment variable; nothing when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

// The settings from the environment. On a bad value returns nothing and
// explains in `error`.
std::optional<SimAspiSettings> ReadSimAspiSettings(const EnvironmentReader& environment,
                                                   std::string& error);

// DRIVESMITH_SIM_COMPLETION alone: it is read again for every command, so a
// harness can change it while the program runs. Bad or missing: async.
SimCompletion ReadSimCompletion(const EnvironmentReader& environment);

// The model of the `index`-th drive with the faults applied, as the demo
// builds it.
DriveModel SimDriveModel(const SimAspiSettings& settings, std::size_t index);

}  // namespace drivesmith::sim
