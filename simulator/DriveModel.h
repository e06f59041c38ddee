#pragma once
// What kind of drive to simulate, and which faults it shows.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace drivesmith::sim {

// The boot loader's flash layout: a 1 MiB flash updated as one area, or a
// 2 MiB flash updated in areas 1, 2 and 5.
enum class LoaderLayout { OneMegabyte, TwoMegabyte };

// Every fault is off by default.
struct DriveFaults {
  // TransferData's 12-byte form (0xAA) is refused with ASC 0x20.
  bool refuse12ByteTransfer = false;
  // Block index (per area, in arrival order) -> the block is answered with
  // ASC 0x3A that many times before it is accepted.
  std::map<int, int> mediumNotPresentBeforeBlock;
  // PrepareFlash is accepted only with this parameter.
  std::optional<std::uint8_t> acceptedPrepareParameter;
  // The drive's sum check fails (the error ASC comes through TestUnitReady).
  bool reportWrongSum = false;
  // The N-th command received (0-based, every command counted) fails ...
  std::optional<int> failCommandNumber;
  // ... with CHECK CONDITION and this ASC (ASCQ 0).
  std::uint8_t failAsc = 0x44;
  // From this command number on (0-based) the drive never answers.
  std::optional<int> stopRespondingAfter;
  // The flash work never ends: it keeps reporting its last phase.
  bool neverFinish = false;
  // The work fails: TestUnitReady answers this ASC once the work started.
  std::optional<std::uint8_t> workErrorAsc;
};

struct DriveModel {
  LoaderLayout layout = LoaderLayout::TwoMegabyte;
  std::string vendor = "TAVIX   ";           // 8 chars  (normal-mode INQUIRY bytes 8..15)
  std::string product = "ZWR2040 DVD-RW  ";  // 16 chars (bytes 16..31)
  std::string revision = "1.00";             // 4 chars  (bytes 32..35)
  // Up Mode product; empty: "ZAzizud2 ZIRIVID" (TwoMegabyte), "ZAzizud1 TIRIVIC" (OneMegabyte).
  std::string loaderProduct;
  // Up Mode revision; empty: "2.01" (TwoMegabyte), "1.10" (OneMegabyte).
  std::string loaderRevision;
  // Simulated time that each phase of the drive's flash work takes.
  std::chrono::milliseconds phaseDuration{3000};
  // The flash starts as pseudo-random "old firmware" made from this seed.
  std::uint64_t initialFlashSeed = 1;
  DriveFaults faults;
};

inline constexpr const char* kTwoMegabyteLoaderProduct = "ZAzizud2 ZIRIVID";
inline constexpr const char* kOneMegabyteLoaderProduct = "ZAzizud1 TIRIVIC";
inline constexpr const char* kTwoMegabyteLoaderRevision = "2.01";
inline constexpr const char* kOneMegabyteLoaderRevision = "1.10";

// Flash size of a layout: 0x100000 or 0x200000 bytes.
std::size_t FlashSize(LoaderLayout layout);
// Characters of the revision field (INQUIRY bytes 32..35).
inline constexpr std::size_t kLoaderRevisionLength = 4;
// The loader's version as the drive itself reads the revision field it
// reports ("2.01" -> 2.01); 0 when the field does not begin with a number.
double LoaderVersionOf(const DriveModel& model);
// The model with loader product and revision filled in.
DriveModel WithDefaults(DriveModel model);

}  // namespace drivesmith::sim
