// How much work the program itself does for one update, on simulated time:
// the engine, the transport and the drive model, without any waiting. A
// whole update must stay far below the time a real drive spends on it, so
// the program never adds noticeable delay between two commands.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drive/DriveCommands.h"
#include "headless/HeadlessRunner.h"
#include "image/ProgramFile.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tools/imagegen/SyntheticImage.h"
#include "tools/pack/ImagePacker.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {
namespace {

// A packed program file in a temporary folder, removed at exit.
class PackedProgram {
 public:
  explicit PackedProgram(unsigned sizeMiB) {
    char folder[] = "/tmp/drivesmith-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    folder_ = folder;
    std::string error;
    const std::vector<std::uint8_t> program(4096, 0x90);
    std::vector<std::uint8_t> image;
    SyntheticImageOptions options;
    options.sizeMiB = sizeMiB;
    options.seed = 7;
    if (!BuildSyntheticImage(options, image, error) ||
        !WriteFileBytes(folder_ + "/program", program, error) ||
        !WriteFileBytes(folder_ + "/image", image, error) ||
        !PackProgramFile(folder_ + "/program", folder_ + "/image", Path(), error)) {
      std::fprintf(stderr, "cannot build the program file: %s\n", error.c_str());
      std::abort();
    }
  }
  ~PackedProgram() {
    for (const char* name : {"/program", "/image", "/packed"})
      std::remove((folder_ + name).c_str());
    rmdir(folder_.c_str());
  }
  std::string Path() const { return folder_ + "/packed"; }

 private:
  std::string folder_;
};

void RunUpdate(benchmark::State& state, sim::LoaderLayout layout) {
  const PackedProgram packed(2);
  for (auto _ : state) {
    sim::SimulatedClock clock;
    sim::DriveModel model;
    model.layout = layout;
    sim::SimulatedDrive drive(model, clock);
    sim::SimulatedPassThrough passThrough(clock);
    passThrough.Attach({TransportMode::PassThroughCdrom, 0}, drive);
    ScsiTransport transport(TransportMode::PassThroughCdrom, nullptr, &passThrough);
    DiskProgramFile programFile(packed.Path());
    const HeadlessReport report = RunHeadlessUpdate(transport, programFile, clock);
    if (report.finalState != WizardState::Completed)
      state.SkipWithError("the update did not complete");
    benchmark::DoNotOptimize(drive.Flash().data());
  }
}

void BM_OneMegabyteUpdate(benchmark::State& state) {
  RunUpdate(state, sim::LoaderLayout::OneMegabyte);
}
void BM_TwoMegabyteUpdate(benchmark::State& state) {
  RunUpdate(state, sim::LoaderLayout::TwoMegabyte);
}

// One command's round trip through the pass-through transport and the drive model.
void BM_CommandRoundTrip(benchmark::State& state) {
  sim::SimulatedClock clock;
  sim::SimulatedDrive drive(sim::DriveModel{}, clock);
  sim::SimulatedPassThrough passThrough(clock);
  passThrough.Attach({TransportMode::PassThroughCdrom, 0}, drive);
  ScsiTransport transport(TransportMode::PassThroughCdrom, nullptr, &passThrough);
  ScsiRequest request;
  DriveCommands commands(request, transport);
  for (auto _ : state) {
    benchmark::DoNotOptimize(commands.TestUnitReady());
  }
}

BENCHMARK(BM_OneMegabyteUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoMegabyteUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace drivesmith

BENCHMARK_MAIN();
