#pragma once
// A simulated bench for the update engine's tests: simulated drives behind
// the ASPI or pass-through port, a real transport, and a real program file
// packed on disk from a synthetic image.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/ProgramFile.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/image/TempFolder.h"
#include "tools/imagegen/SyntheticImage.h"
#include "tools/pack/ImagePacker.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing_support {

inline sim::DriveModel OneMegabyteDrive() {
  sim::DriveModel model;
  model.layout = sim::LoaderLayout::OneMegabyte;
  return model;
}

inline sim::DriveModel TwoMegabyteDrive(std::string loaderRevision = "2.01") {
  sim::DriveModel model;
  model.layout = sim::LoaderLayout::TwoMegabyte;
  model.loaderRevision = std::move(loaderRevision);
  return model;
}

inline SyntheticImageOptions ImageOptions(unsigned sizeMiB, std::uint64_t seed = 7) {
  SyntheticImageOptions options;
  options.sizeMiB = sizeMiB;
  options.seed = seed;
  return options;
}

class UpdateBench {
 public:
  explicit UpdateBench(TransportMode mode) : mode_(mode) {
    transport_ = std::make_unique<ScsiTransport>(mode, &aspi_, &passThrough_);
  }

  // Attaches a drive: at host adapter/target under ASPI, at the drive index
  // under pass-through.
  sim::SimulatedDrive& AddDrive(const sim::DriveModel& model, std::uint8_t hostAdapterOrIndex = 0,
                                std::uint8_t target = 0) {
    drives_.push_back(std::make_unique<sim::SimulatedDrive>(model, clock_));
    sim::SimulatedDrive& drive = *drives_.back();
    if (mode_ == TransportMode::Aspi) {
      aspi_.Attach(hostAdapterOrIndex, target, drive);
    } else {
      passThrough_.Attach(PassThroughDeviceName(mode_, hostAdapterOrIndex), drive);
    }
    return drive;
  }

  // Builds the image, packs it behind a small program and opens the result
  // through the ordinary file system.
  void PackImage(const SyntheticImageOptions& options, std::size_t programLength = 4096) {
    std::string error;
    image_.clear();
    ASSERT_TRUE(BuildSyntheticImage(options, image_, error)) << error;
    const std::string programPath = folder_.File("updater.program");
    const std::string imagePath = folder_.File("updater.image");
    programPath_ = folder_.File("updater");
    WriteBytes(programPath, ProgramBytes(programLength));
    WriteBytes(imagePath, image_);
    ASSERT_TRUE(PackProgramFile(programPath, imagePath, programPath_, error)) << error;
    programFile_ = std::make_unique<DiskProgramFile>(programPath_);
  }

  // A program file that names a path where nothing exists.
  void MissingProgramFile() {
    programPath_ = folder_.File("no-such-program");
    programFile_ = std::make_unique<DiskProgramFile>(programPath_);
  }

  sim::SimulatedClock& Clock() { return clock_; }
  ScsiTransport& Transport() { return *transport_; }
  ProgramFile& File() { return *programFile_; }
  const std::string& ProgramPath() const { return programPath_; }
  const std::vector<std::uint8_t>& Image() const { return image_; }
  sim::SimulatedDrive& Drive(std::size_t i = 0) { return *drives_.at(i); }
  sim::SimulatedAspi& Aspi() { return aspi_; }
  sim::SimulatedPassThrough& PassThrough() { return passThrough_; }
  const TempFolder& Folder() const { return folder_; }

 private:
  TransportMode mode_;
  TempFolder folder_;
  sim::SimulatedClock clock_;
  sim::SimulatedAspi aspi_{clock_};
  sim::SimulatedPassThrough passThrough_{clock_};
  std::vector<std::unique_ptr<sim::SimulatedDrive>> drives_;
  std::unique_ptr<ScsiTransport> transport_;
  std::unique_ptr<DiskProgramFile> programFile_;
  std::string programPath_;
  std::vector<std::uint8_t> image_;
};

// Trace helpers.
inline std::uint8_t Opcode(const sim::TraceEntry& entry) {
  return entry.cdb.empty() ? 0 : entry.cdb[0];
}

inline std::vector<sim::TraceEntry> WithOpcode(const std::vector<sim::TraceEntry>& trace,
                                               std::uint8_t opcode) {
  std::vector<sim::TraceEntry> found;
  for (const auto& entry : trace) {
    if (Opcode(entry) == opcode) found.push_back(entry);
  }
  return found;
}

// Index of the first trace entry with `opcode` at or after `from`; -1 when none.
inline int FindOpcode(const std::vector<sim::TraceEntry>& trace, std::uint8_t opcode,
                      std::size_t from = 0) {
  for (std::size_t i = from; i < trace.size(); ++i) {
    if (Opcode(trace[i]) == opcode) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace drivesmith::testing_support
