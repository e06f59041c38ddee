#pragma once
// One simulated drive served to the kernel: runs each command the ring
// brings on the drive, adds the faults that only show through a real SCSI
// stack, writes the drive's trace line by line (the demo's trace format) and
// keeps a file with the drive's flash current whenever its flash work ends.

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "simulator/SimulatedDrive.h"
#include "simulator/tcmu/TcmuRing.h"

namespace drivesmith::tcmu {

// How late a held block is answered: less than the transport's 2-second
// time-out for a command.
inline constexpr std::chrono::milliseconds kHoldTime{1500};

// Faults of the device as the kernel sees it, on top of the drive's own.
struct DeviceFaults {
  // After this many TransferData blocks have been taken (all areas), the
  // device answers nothing any more.
  std::optional<int> stopAtBlock;
  // TransferData block N (from 0) is answered kHoldTime late, after the line
  // "holding block N" on standard output: time for a script to act while
  // the device holds a command (take the device away, for one).
  std::optional<int> holdBlock;
  // The first TransferData block sent to this area is refused once with
  // CHECK CONDITION, hardware error, ASC 0x44.
  std::optional<std::uint8_t> failFirstBlockOfArea;
  // Sense data goes back in descriptor format (response code 0x72).
  bool descriptorSense = false;
};

class DriveService {
 public:
  // `tracePath` and `flashPath` may be empty: no trace, no flash file.
  DriveService(sim::SimulatedDrive& drive, DeviceFaults faults, const std::string& tracePath,
               std::string flashPath);

  // Check before serving: false when the trace file cannot be written.
  bool Ok() const { return tracePath_.empty() || static_cast<bool>(trace_); }

  // Runs one command; false when the device does not answer it.
  bool Serve(const RingCommand& command, RingAnswer& answer);

  // Writes the flash file now (replacing it whole). False when it fails.
  bool SaveFlash();

 private:
  void Record(const sim::TraceEntry& entry);
  void SaveFlashWhenWorkChanged();

  sim::SimulatedDrive& drive_;
  DeviceFaults faults_;
  std::string tracePath_;
  std::ofstream trace_;
  std::string flashPath_;
  int blocksTaken_ = 0;
  bool silent_ = false;
  bool areaFailureGiven_ = false;
  std::optional<std::pair<sim::WorkState, std::optional<std::uint8_t>>> savedWork_;
};

// Rewrites fixed-format sense data (0x70/0x71) as descriptor-format sense
// (0x72/0x73) with the same key, ASC and ASCQ and no descriptors.
std::vector<std::uint8_t> DescriptorSenseOf(std::span<const std::uint8_t> fixedSense);

}  // namespace drivesmith::tcmu
