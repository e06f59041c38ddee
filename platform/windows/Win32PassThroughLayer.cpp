#include "platform/windows/Win32PassThroughLayer.h"

// clang-format off
#include <windows.h>
#include <ntddscsi.h>
// clang-format on

#include "platform/windows/Win32DeviceName.h"

namespace drivesmith {
namespace {

// CTL_CODE(FILE_DEVICE_CONTROLLER, 0x401, METHOD_BUFFERED, read and write access).
constexpr DWORD kScsiPassThroughControl = 0x4D004;
static_assert(IOCTL_SCSI_PASS_THROUGH == kScsiPassThroughControl);

}  // namespace

Win32PassThroughDevice::~Win32PassThroughDevice() { CloseHandle(handle_); }

std::uint8_t Win32PassThroughDevice::Issue(const PassThroughRequest& request) {
  const std::span<std::uint8_t> bytes = block_.Lay(request);
  if (bytes.empty()) return kPassThroughStatusUnset;
  const auto length = static_cast<DWORD>(bytes.size());
  DWORD returned = 0;
  // Neither the result nor the error code is used: a refused request leaves
  // ScsiStatus at its preset.
  DeviceIoControl(handle_, kScsiPassThroughControl, bytes.data(), length, bytes.data(), length,
                  &returned, nullptr);
  return block_.Collect(request);
}

std::unique_ptr<PassThroughDevice> Win32PassThroughLayer::Open(PassThroughAddress address) {
  HANDLE device =
      CreateFileA(Win32DeviceName(address).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32PassThroughDevice>(device, block_);
}

}  // namespace drivesmith
