#pragma once
// The drive's side of the update protocol at the command-block level: normal
// mode, Up Mode with its boot loader, the area collections that TransferData
// fills, the flash work that PrepareFlash, EraseFlash, WriteFlash and
// ConfirmSumCode start, and the faults of DriveFaults. Time comes from a
// Clock; nothing here sleeps.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "simulator/CommandTrace.h"
#include "simulator/DriveModel.h"
#include "simulator/FlashMemory.h"
#include "simulator/SenseCodes.h"
#include "update/Clock.h"

namespace drivesmith::sim {

struct CommandOutcome {
  bool answered = false;                 // false when the drive does not respond
  std::uint8_t status = kStatusGood;     // 0x00 GOOD or 0x02 CHECK CONDITION
  std::array<std::uint8_t, 18> sense{};  // fixed-format sense (0x70), ASC at 12, ASCQ at 13
  std::uint32_t dataIn = 0;              // bytes written to the data span (data-in commands)
};

// Where the flash areas of the two-megabyte layout go.
namespace layout2m {
inline constexpr std::size_t kLoaderBase = 0x0000;  // area 5
inline constexpr std::size_t kLoaderLength = 0x4000;
inline constexpr std::size_t kMainBase = 0x8000;  // area 1
inline constexpr std::size_t kMainLength = 0xF8000;
inline constexpr std::size_t kUpperBase = 0x100000;  // area 2
inline constexpr std::size_t kUpperLength = 0x100000;
}  // namespace layout2m
inline constexpr std::size_t kOneMegabyteAreaLength = 0x100000;  // area 0

// State of the drive's flash work as the drive itself sees it.
enum class WorkState { Idle, Running, Finished, Failed };

class SimulatedDrive {
 public:
  SimulatedDrive(DriveModel model, drivesmith::Clock& clock);
  SimulatedDrive(const SimulatedDrive&) = delete;
  SimulatedDrive& operator=(const SimulatedDrive&) = delete;

  // Runs one command. `data` is the data phase: the bytes sent (Out) or the
  // space for the answer (In).
  CommandOutcome Execute(std::span<const std::uint8_t> cdb, DataDirection direction,
                         std::span<std::uint8_t> data);

  // 1 MiB or 2 MiB, erased = 0xFF. Reflects work finished by the current time.
  const std::vector<std::uint8_t>& Flash() const;
  const std::vector<TraceEntry>& Trace() const;
  bool InUpMode() const;
  // The model with loader product and revision filled in.
  const DriveModel& Model() const;

  WorkState Work() const;
  // The ASC of failed work.
  std::optional<std::uint8_t> WorkError() const;
  // Whether a one-megabyte WriteFlash asked for the loader as well (byte 9 0x40).
  bool LoaderUpdateRequested() const;

 private:
  struct WorkStep {
    std::uint8_t phase;
    // Runs when the phase ends; returns an error ASC to fail the work.
    std::function<std::optional<std::uint8_t>()> atEnd;
  };
  struct FlashWork {
    std::vector<WorkStep> steps;
    std::chrono::milliseconds started{0};
    std::size_t stepsDone = 0;
    std::optional<std::uint8_t> error;
  };

  CommandOutcome Dispatch(std::span<const std::uint8_t> cdb, DataDirection direction,
                          std::span<std::uint8_t> data);
  CommandOutcome DispatchUpModeVendor(std::span<const std::uint8_t> cdb, DataDirection direction,
                                      std::span<std::uint8_t> data);
  CommandOutcome TestUnitReady();
  CommandOutcome RequestSense(std::span<const std::uint8_t> cdb, DataDirection direction,
                              std::span<std::uint8_t> data);
  CommandOutcome Inquiry(std::span<const std::uint8_t> cdb, DataDirection direction,
                         std::span<std::uint8_t> data);
  CommandOutcome TransferData(std::span<const std::uint8_t> cdb, DataDirection direction,
                              std::span<std::uint8_t> data);
  CommandOutcome PrepareFlash(std::span<const std::uint8_t> cdb);
  CommandOutcome WriteFlash(std::span<const std::uint8_t> cdb);
  CommandOutcome EraseFlash(std::span<const std::uint8_t> cdb);
  CommandOutcome ConfirmSumCode(std::span<const std::uint8_t> cdb);
  CommandOutcome BackgroundCommand(std::span<const std::uint8_t> cdb, DataDirection direction,
                                   std::span<std::uint8_t> data, bool& handled);

  void StartWork(std::vector<WorkStep> steps);
  // ChangeToUpMode begins a new update, as the loader does after a failed
  // one: the collections start empty, PrepareFlash must come again, and the
  // outcome of earlier work is dropped. Work still running carries on.
  void StartOver();
  // Runs the phase ends that the clock has passed.
  void Settle() const;
  // The sense that TestUnitReady and RequestSense report now.
  SenseData CurrentSense() const;
  bool AreaValid(std::uint8_t area) const;
  // The bytes received for an area, in arrival order (empty when none).
  const std::vector<std::uint8_t>& AreaData(std::uint8_t area) const;
  std::uint16_t AreaSum(std::uint8_t area) const;
  std::optional<std::uint8_t> ProgramArea(std::uint8_t area, std::size_t base, std::size_t length);

  DriveModel model_;
  drivesmith::Clock& clock_;
  double loaderVersion_;
  mutable FlashMemory flash_;
  mutable std::optional<FlashWork> work_;
  std::vector<TraceEntry> trace_;
  std::map<std::uint8_t, std::vector<std::uint8_t>> areas_;
  std::map<std::uint8_t, int> blocksAccepted_;
  std::map<std::pair<std::uint8_t, int>, int> mediumRefusalsGiven_;
  bool upMode_ = false;
  std::optional<std::uint8_t> preparedWith_;
  bool loaderUpdateRequested_ = false;
  int commandsReceived_ = 0;  // answered or not
};

}  // namespace drivesmith::sim
