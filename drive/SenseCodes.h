#pragma once
// The additional sense codes a drive answers with during an update, and the
// work phases it reports with kDrivePhase.

#include <cstdint>

namespace drivesmith::sense {

inline constexpr std::uint8_t kNoSense = 0x00;
inline constexpr std::uint8_t kInvalidOperationCode = 0x20;
inline constexpr std::uint8_t kMediumNotPresent = 0x3A;
// Vendor code: the drive is working on its flash; ASCQ holds the phase.
inline constexpr std::uint8_t kDrivePhase = 0xF7;

namespace phase {
inline constexpr std::uint8_t kSumCheck = 0;
inline constexpr std::uint8_t kErasing = 1;
inline constexpr std::uint8_t kWriting = 2;
inline constexpr std::uint8_t kFinalSumCheck = 3;
}  // namespace phase

}  // namespace drivesmith::sense
