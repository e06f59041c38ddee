#pragma once
// The pass-through port on Windows: each command opens the device with
// CreateFileA, sends IOCTL_SCSI_PASS_THROUGH with DeviceIoControl and closes
// the handle again.

#include <memory>

#include "platform/windows/ScsiPassThroughBlock.h"
#include "transport/PassThroughLayer.h"

namespace drivesmith {

// An open device; owns its handle. Lays its requests out in `block`.
class Win32PassThroughDevice : public PassThroughDevice {
 public:
  Win32PassThroughDevice(void* handle, ScsiPassThroughBlock& block)
      : handle_(handle), block_(block) {}
  ~Win32PassThroughDevice() override;
  Win32PassThroughDevice(const Win32PassThroughDevice&) = delete;
  Win32PassThroughDevice& operator=(const Win32PassThroughDevice&) = delete;

  std::uint8_t Issue(const PassThroughRequest& request) override;

 private:
  void* handle_;
  ScsiPassThroughBlock& block_;
};

class Win32PassThroughLayer : public PassThroughLayer {
 public:
  // CreateFileA on the drive's device name for reading and writing, shared
  // for both, existing only, no flags; null when the platform gives an
  // invalid handle.
  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) override;

 private:
  // The one block that every command's request is laid out in.
  ScsiPassThroughBlock block_;
};

}  // namespace drivesmith
