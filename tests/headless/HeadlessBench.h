#pragma once
// One whole update through the headless runner against a simulated drive,
// with what the drive saw.

#include <string>
#include <vector>

#include "headless/HeadlessRunner.h"
#include "tests/update/UpdateBench.h"

namespace drivesmith::testing_support {

struct HeadlessRun {
  HeadlessReport report;
  std::vector<sim::TraceEntry> trace;  // of the drive at index 0 / the first attached drive
  std::vector<std::uint8_t> flash;
  std::vector<std::uint8_t> pristineFlash;  // the same drive's flash before any update
  std::vector<std::uint8_t> image;
  std::chrono::milliseconds elapsed{0};
};

inline HeadlessRun RunUpdateOn(const sim::DriveModel& model, const SyntheticImageOptions& image,
                               HeadlessOptions options = {},
                               TransportMode mode = TransportMode::PassThroughLetter) {
  UpdateBench bench(mode);
  sim::SimulatedDrive& drive = bench.AddDrive(model, 0);
  bench.PackImage(image);
  HeadlessRun run;
  run.pristineFlash = drive.Flash();
  run.report = RunHeadlessUpdate(bench.Transport(), bench.File(), bench.Clock(), nullptr,
                                 std::move(options));
  run.trace = drive.Trace();
  run.flash = drive.Flash();
  run.image = bench.Image();
  run.elapsed = bench.Clock().Now();
  return run;
}

inline bool IsTransfer(const sim::TraceEntry& entry) {
  return Opcode(entry) == 0xAA || Opcode(entry) == 0xE2;
}
inline std::uint32_t CdbLength(const sim::TraceEntry& entry) {
  return static_cast<std::uint32_t>((entry.cdb[6] << 8) | entry.cdb[7]);
}

}  // namespace drivesmith::testing_support
