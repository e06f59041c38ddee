#pragma once
// The one request record that every drive command goes through. It holds the
// ASPI request block, the pass-through buffer (header, sense area and the data
// buffer shared by both transports), the drive's address and the sense codes
// that the last command left.

#include <array>
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

// Layout of the pass-through buffer: a 44-byte SCSI_PASS_THROUGH header as the
// Windows NT storage interface publishes it (32-bit layout, little-endian),
// then the sense area and the data buffer.
namespace passthrough {
inline constexpr std::size_t kHeaderLength = 44;
inline constexpr std::size_t kSenseOffset = 48;
inline constexpr std::size_t kSenseAreaLength = 32;
inline constexpr std::size_t kDataOffset = 80;
inline constexpr std::size_t kDataCapacity = 16384;
inline constexpr std::size_t kBufferLength = kDataOffset + kDataCapacity;

// Byte offsets of the header fields inside the buffer.
inline constexpr std::size_t kLength = 0;               // 16 bits
inline constexpr std::size_t kScsiStatus = 2;           // 8 bits
inline constexpr std::size_t kPathId = 3;               // 8 bits
inline constexpr std::size_t kTargetId = 4;             // 8 bits
inline constexpr std::size_t kLun = 5;                  // 8 bits
inline constexpr std::size_t kCdbLength = 6;            // 8 bits
inline constexpr std::size_t kSenseInfoLength = 7;      // 8 bits
inline constexpr std::size_t kDataIn = 8;               // 8 bits
inline constexpr std::size_t kDataTransferLength = 12;  // 32 bits
inline constexpr std::size_t kTimeOutValue = 16;        // 32 bits, seconds
inline constexpr std::size_t kDataBufferOffset = 20;    // 32 bits
inline constexpr std::size_t kSenseInfoOffset = 24;     // 32 bits
inline constexpr std::size_t kCdb = 28;                 // 16 bytes

inline constexpr std::uint8_t kDataOut = 0;    // SCSI_IOCTL_DATA_OUT
inline constexpr std::uint8_t kDataInDir = 1;  // SCSI_IOCTL_DATA_IN
inline constexpr std::uint8_t kNoData = 2;     // SCSI_IOCTL_DATA_UNSPECIFIED
inline constexpr std::uint8_t kStatusUnset = 0xFF;
inline constexpr std::uint8_t kSenseInfoLengthValue = 14;
inline constexpr std::uint32_t kTimeOutSeconds = 2;

using Buffer = std::array<std::uint8_t, kBufferLength>;

// Little-endian writers for the header fields.
inline void Put16(Buffer& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Buffer& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
}  // namespace passthrough

// Largest data phase a command may carry.
inline constexpr std::int32_t kMaxDataLength =
    static_cast<std::int32_t>(passthrough::kDataCapacity);

struct ScsiRequest {
  SrbExecScsiCmd aspi{};
  passthrough::Buffer passThrough{};
  // DriveAddress: host adapter and target id for ASPI (logical unit 0),
  // drive index for pass-through.
  std::uint8_t hostAdapter = 0;
  std::uint8_t targetId = 0;
  std::uint8_t driveIndex = 0;
  // Sense codes left by the last command that set them.
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;

  // The data buffer: the data area of the pass-through block, and the buffer
  // that the ASPI block points to.
  std::uint8_t* Data() { return passThrough.data() + passthrough::kDataOffset; }
  const std::uint8_t* Data() const { return passThrough.data() + passthrough::kDataOffset; }
};

}  // namespace drivesmith
