#pragma once
// The one request record that every drive command goes through. It holds the
// ASPI request block, the data buffer shared by both transports, the drive's
// address and the sense codes that the last command left.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace drivesmith {

// SRB_ExecSCSICmd as ASPI for Win32 publishes it. With 32-bit pointers this
// is the 80-byte block that "WNASPI32.DLL" takes; on other platforms only the
// field order matters, since nothing but our own ASPI stand-ins reads it.
struct SrbExecScsiCmd {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint16_t SRB_Rsvd1;
  std::uint32_t SRB_BufLen;
  std::uint8_t* SRB_BufPointer;
  std::uint8_t SRB_SenseLen;
  std::uint8_t SRB_CDBLen;
  std::uint8_t SRB_HaStat;
  std::uint8_t SRB_TargStat;
  void* SRB_PostProc;
  std::uint8_t SRB_Rsvd2[20];
  std::uint8_t CDBByte[16];
  std::uint8_t SenseArea[16];
};
static_assert(offsetof(SrbExecScsiCmd, SRB_Target) == 8);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufLen) == 12);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufPointer) == 16);
static_assert(sizeof(void*) != 4 || sizeof(SrbExecScsiCmd) == 80);

namespace aspi {
inline constexpr std::uint8_t kExecScsiCommand = 2;  // SC_EXEC_SCSI_CMD
inline constexpr std::uint8_t kStatusPending = 0;
inline constexpr std::uint8_t kStatusCompleted = 1;
inline constexpr std::uint8_t kStatusError = 4;
inline constexpr std::uint8_t kFlagDataIn = 0x08;
inline constexpr std::uint8_t kFlagDataOut = 0x10;
inline constexpr std::uint8_t kFlagNoData = 0x00;
inline constexpr std::uint8_t kFlagEventNotify = 0x40;
inline constexpr std::uint8_t kSenseLength = 16;
}  // namespace aspi

// SCSI status bytes and the fixed-format sense bytes the program reads.
namespace scsi {
inline constexpr std::uint8_t kStatusGood = 0x00;
inline constexpr std::uint8_t kStatusCheckCondition = 0x02;
inline constexpr std::size_t kSenseAscByte = 12;
inline constexpr std::size_t kSenseAscqByte = 13;
}  // namespace scsi

// What the pass-through transport asks of the platform besides the command.
namespace passthrough {
inline constexpr std::size_t kDataCapacity = 16384;
// Sense bytes asked for: fixed format up to the ASCQ.
inline constexpr std::size_t kSenseLength = 14;
inline constexpr std::chrono::seconds kTimeOut{2};
}  // namespace passthrough

// Largest data phase a command may carry.
inline constexpr std::int32_t kMaxDataLength =
    static_cast<std::int32_t>(passthrough::kDataCapacity);

struct ScsiRequest {
  SrbExecScsiCmd aspi{};
  std::array<std::uint8_t, passthrough::kDataCapacity> dataBuffer{};
  // DriveAddress: host adapter and target id for ASPI (logical unit 0),
  // drive index for pass-through.
  std::uint8_t hostAdapter = 0;
  std::uint8_t targetId = 0;
  std::uint8_t driveIndex = 0;
  // Sense codes left by the last command that set them.
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;

  // The data buffer of both transports.
  std::uint8_t* Data() { return dataBuffer.data(); }
  const std::uint8_t* Data() const { return dataBuffer.data(); }
};

}  // namespace drivesmith
