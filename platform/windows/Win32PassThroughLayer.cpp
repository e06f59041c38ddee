#include "platform/windows/Win32PassThroughLayer.h"

// clang-format off
#include <windows.h>
#include <ntddscsi.h>
// clang-format on

#include <cstddef>
#include <cstdint>

#include "transport/ScsiRequest.h"

namespace drivesmith {
namespace {

// SCSI_PASS_THROUGH as the Windows NT storage interface publishes it. The
// transport writes the header byte by byte at these offsets; with 32-bit
// pointers the record is the 44 bytes that the buffer reserves for it.
struct ScsiPassThroughRecord {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  std::uintptr_t DataBufferOffset;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
};

static_assert(sizeof(void*) == 4, "the Windows program is built for 32-bit Windows");
static_assert(sizeof(ScsiPassThroughRecord) == passthrough::kHeaderLength);
static_assert(offsetof(ScsiPassThroughRecord, Length) == passthrough::kLength);
static_assert(offsetof(ScsiPassThroughRecord, ScsiStatus) == passthrough::kScsiStatus);
static_assert(offsetof(ScsiPassThroughRecord, PathId) == passthrough::kPathId);
static_assert(offsetof(ScsiPassThroughRecord, TargetId) == passthrough::kTargetId);
static_assert(offsetof(ScsiPassThroughRecord, Lun) == passthrough::kLun);
static_assert(offsetof(ScsiPassThroughRecord, CdbLength) == passthrough::kCdbLength);
static_assert(offsetof(ScsiPassThroughRecord, SenseInfoLength) == passthrough::kSenseInfoLength);
static_assert(offsetof(ScsiPassThroughRecord, DataIn) == passthrough::kDataIn);
static_assert(offsetof(ScsiPassThroughRecord, DataTransferLength) ==
              passthrough::kDataTransferLength);
static_assert(offsetof(ScsiPassThroughRecord, TimeOutValue) == passthrough::kTimeOutValue);
static_assert(offsetof(ScsiPassThroughRecord, DataBufferOffset) == passthrough::kDataBufferOffset);
static_assert(offsetof(ScsiPassThroughRecord, SenseInfoOffset) == passthrough::kSenseInfoOffset);
static_assert(offsetof(ScsiPassThroughRecord, Cdb) == passthrough::kCdb);

// The same record as the system's headers declare it.
static_assert(sizeof(SCSI_PASS_THROUGH) == sizeof(ScsiPassThroughRecord));
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == passthrough::kDataBufferOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == passthrough::kSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == passthrough::kCdb);

// CTL_CODE(FILE_DEVICE_CONTROLLER, 0x401, METHOD_BUFFERED, read and write access).
constexpr DWORD kScsiPassThroughControl = 0x4D004;
static_assert(IOCTL_SCSI_PASS_THROUGH == kScsiPassThroughControl);

}  // namespace

Win32PassThroughDevice::~Win32PassThroughDevice() { CloseHandle(handle_); }

void Win32PassThroughDevice::IssuePassThrough(std::span<std::uint8_t> buffer) {
  const auto length = static_cast<DWORD>(buffer.size());
  DWORD returned = 0;
  // Neither the result nor the error code is used: a refused request leaves
  // ScsiStatus at the value the transport preset.
  DeviceIoControl(handle_, kScsiPassThroughControl, buffer.data(), length, buffer.data(), length,
                  &returned, nullptr);
}

std::unique_ptr<PassThroughDevice> Win32PassThroughLayer::Open(const std::string& deviceName) {
  HANDLE device =
      CreateFileA(deviceName.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32PassThroughDevice>(device);
}

}  // namespace drivesmith
