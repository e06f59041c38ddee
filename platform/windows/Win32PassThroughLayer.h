#pragma once
// The pass-through port on Windows: each command opens the device with
// CreateFileA, sends IOCTL_SCSI_PASS_THROUGH with DeviceIoControl and closes
// the handle again.

#include <memory>
#include <span>
#include <string>

#include "transport/PassThroughLayer.h"

namespace drivesmith {

// An open device; owns its handle.
class Win32PassThroughDevice : public PassThroughDevice {
 public:
  explicit Win32PassThroughDevice(void* handle) : handle_(handle) {}
  ~Win32PassThroughDevice() override;
  Win32PassThroughDevice(const Win32PassThroughDevice&) = delete;
  Win32PassThroughDevice& operator=(const Win32PassThroughDevice&) = delete;

  void IssuePassThrough(std::span<std::uint8_t> buffer) override;

 private:
  void* handle_;
};

class Win32PassThroughLayer : public PassThroughLayer {
 public:
  // CreateFileA for reading and writing, shared for both, existing only, no
  // flags; null when the platform gives an invalid handle.
  std::unique_ptr<PassThroughDevice> Open(const std::string& deviceName) override;
};

}  // namespace drivesmith
