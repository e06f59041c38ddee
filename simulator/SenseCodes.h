#pragma once
// Status bytes, sense keys and the additional sense codes the simulated drive
// answers with.

#include <array>
#include <cstdint>

#include "drive/SenseCodes.h"
#include "transport/ScsiRequest.h"

namespace drivesmith::sim {

using scsi::kStatusCheckCondition;
using scsi::kStatusGood;
inline constexpr std::uint8_t kStatusNoAnswer = 0xFF;  // trace only: the drive did not answer

inline constexpr std::uint8_t kSenseKeyNone = 0x0;
inline constexpr std::uint8_t kSenseKeyNotReady = 0x2;
inline constexpr std::uint8_t kSenseKeyHardwareError = 0x4;
inline constexpr std::uint8_t kSenseKeyIllegalRequest = 0x5;

namespace asc {
// The codes the update engine reads, shared with it.
using sense::kDrivePhase;
using sense::kInvalidOperationCode;
using sense::kMediumNotPresent;
using sense::kNoSense;
// The flash work failed because an area did not hold the length it must.
inline constexpr std::uint8_t kAreaLengthWrong = 0x0C;
// The flash work failed because the drive's own sum differs from the one sent.
inline constexpr std::uint8_t kSumMismatch = 0x10;
inline constexpr std::uint8_t kInvalidField = 0x24;
// A flash command came before PrepareFlash.
inline constexpr std::uint8_t kCommandSequenceError = 0x2C;
}  // namespace asc

// The drive's work phases, reported in ASCQ with sense::kDrivePhase.
namespace phase = sense::phase;

inline constexpr std::size_t kSenseLength = 18;
using SenseData = std::array<std::uint8_t, kSenseLength>;

// Fixed-format sense (response code 0x70, additional length 10).
SenseData MakeSense(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq);
// The sense key that goes with an ASC in this drive's answers.
std::uint8_t SenseKeyFor(std::uint8_t asc);

}  // namespace drivesmith::sim
