#pragma once
// Operation codes of the commands the program sends to a drive.

#include <cstdint>

namespace drivesmith {

namespace opcode {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kTransferData12 = 0xAA;
inline constexpr std::uint8_t kPrepareFlash = 0xE0;
inline constexpr std::uint8_t kWriteFlash = 0xE1;
inline constexpr std::uint8_t kTransferData10 = 0xE2;
inline constexpr std::uint8_t kChangeToUpMode = 0xE4;
inline constexpr std::uint8_t kEraseFlash = 0xE6;
inline constexpr std::uint8_t kConfirmSumCode = 0xE7;
}  // namespace opcode

}  // namespace drivesmith
