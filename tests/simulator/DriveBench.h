#pragma once
// A simulated drive on a simulated clock, driven by command blocks written
// out by hand, and the synthetic images that the updates write.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "tools/imagegen/SyntheticImage.h"

namespace drivesmith::sim::testing {

using Bytes = std::vector<std::uint8_t>;

// Command blocks as the update protocol lays them out.
namespace cdb {
inline Bytes TestUnitReady() { return {0x00, 0, 0, 0, 0, 0x80}; }
inline Bytes RequestSense(std::uint8_t allocation = 14) { return {0x03, 0, 0, 0, allocation, 0}; }
inline Bytes Inquiry(std::uint8_t allocation = 36) { return {0x12, 0, 0, 0, allocation, 0}; }
inline Bytes ChangeToUpMode() { return {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}; }
inline Bytes PrepareFlash(std::uint8_t parameter) {
  return {0xE0, 0, 0, parameter, 0, 0, 0, 0, 0, 0};
}
inline Bytes WriteFlash(bool loader) {
  return {0xE1, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(loader ? 0x40 : 0)};
}
inline Bytes EraseFlash(bool loader) {
  return {0xE6, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(loader ? 0x40 : 0)};
}
// The layout a host picks from the loader version it was told.
inline Bytes ConfirmSumCode(std::uint8_t area, std::uint16_t sum, double loaderVersion) {
  const auto high = static_cast<std::uint8_t>(sum >> 8);
  const auto low = static_cast<std::uint8_t>(sum);
  if (loaderVersion > 2.0) return {0xE7, 0, 0, 0, 0, 0, area, 0x40, high, low, 0, 0};
  return {0xE7, 0, 0, 0, 0, 0, 0, 0, area, 0x40, high, low};
}
inline Bytes TransferData(std::uint32_t length, bool twelveByteForm, std::uint8_t area) {
  Bytes block{static_cast<std::uint8_t>(twelveByteForm ? 0xAA : 0xE2),
              0,
              0,
              0,
              0,
              0,
              static_cast<std::uint8_t>(length >> 8),
              static_cast<std::uint8_t>(length),
              area,
              0};
  if (twelveByteForm) block.resize(12, 0);
  return block;
}
}  // namespace cdb

// Synthetic firmware image of one or two megabytes.
inline Bytes MakeImage(unsigned sizeMiB, std::uint64_t seed) {
  SyntheticImageOptions options;
  options.sizeMiB = sizeMiB;
  options.seed = seed;
  Bytes image;
  std::string error;
  if (!BuildSyntheticImage(options, image, error)) image.clear();
  return image;
}

inline std::uint16_t Sum16(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint16_t>(sum);
}

inline std::uint8_t AscOf(const CommandOutcome& outcome) { return outcome.sense[12]; }
inline std::uint8_t AscqOf(const CommandOutcome& outcome) { return outcome.sense[13]; }

class DriveBench {
 public:
  explicit DriveBench(DriveModel model) : drive(std::move(model), clock) {}

  CommandOutcome Run(const Bytes& block) { return drive.Execute(block, DataDirection::None, {}); }
  CommandOutcome RunIn(const Bytes& block, Bytes& answer) {
    return drive.Execute(block, DataDirection::In, answer);
  }
  CommandOutcome RunOut(const Bytes& block, Bytes data) {
    return drive.Execute(block, DataDirection::Out, data);
  }
  CommandOutcome Transfer(std::span<const std::uint8_t> bytes, std::uint8_t area,
                          bool twelveByteForm = false) {
    Bytes data(bytes.begin(), bytes.end());
    return RunOut(cdb::TransferData(static_cast<std::uint32_t>(data.size()), twelveByteForm, area),
                  data);
  }
  // Sends `image[begin, end)` in blocks of 3072 bytes and then 1024 bytes;
  // false at the first refusal.
  bool SendArea(const Bytes& image, std::size_t begin, std::size_t end, std::uint8_t area) {
    std::size_t at = begin;
    while (end - at >= 3072) {
      if (Transfer({image.data() + at, 3072}, area).status != kStatusGood) return false;
      at += 3072;
    }
    while (at < end) {
      if (Transfer({image.data() + at, 1024}, area).status != kStatusGood) return false;
      at += 1024;
    }
    return true;
  }
  // Lets simulated time pass until the work is over; the sense TestUnitReady
  // then gives.
  CommandOutcome WaitOut(std::chrono::milliseconds step = std::chrono::milliseconds(200),
                         int limit = 10000) {
    CommandOutcome outcome = Run(cdb::TestUnitReady());
    for (int i = 0; i < limit && AscOf(outcome) == asc::kWorkInProgress; ++i) {
      clock.Sleep(step);
      outcome = Run(cdb::TestUnitReady());
    }
    return outcome;
  }

  SimulatedClock clock;
  SimulatedDrive drive;
};

inline DriveModel OneMegabyteModel() {
  DriveModel model;
  model.layout = LoaderLayout::OneMegabyte;
  return model;
}

inline DriveModel TwoMegabyteModel() { return DriveModel{}; }

}  // namespace drivesmith::sim::testing
