#pragma once
// The pass-through port on Linux: each command opens the drive's device node,
// sends the request through the SG_IO ioctl and closes the node again. Drives
// are reached through their SCSI generic nodes where they have one, since
// SG_IO on /dev/srN passes only a fixed list of commands for callers without
// CAP_SYS_RAWIO (see SgDevicePath.h).

#include <filesystem>
#include <memory>

#include "platform/linux/SgAccessLog.h"
#include "transport/PassThroughLayer.h"

namespace drivesmith {

// An open device node; owns its file descriptor.
class SgIoPassThroughDevice : public PassThroughDevice {
 public:
  explicit SgIoPassThroughDevice(int fileDescriptor) : fd_(fileDescriptor) {}
  ~SgIoPassThroughDevice() override;
  SgIoPassThroughDevice(const SgIoPassThroughDevice&) = delete;
  SgIoPassThroughDevice& operator=(const SgIoPassThroughDevice&) = delete;

  std::uint8_t Issue(const PassThroughRequest& request) override;

 private:
  int fd_;
};

class SgIoPassThroughLayer : public PassThroughLayer {
 public:
  // `accessLog`, when given, learns what each open met; it must outlive the
  // layer.
  explicit SgIoPassThroughLayer(std::filesystem::path sysfsRoot = "/sys",
                                std::filesystem::path devRoot = "/dev",
                                SgAccessLog* accessLog = nullptr);

  // Opens the node that SgDevicePath names for `address`. Null when the
  // address is not a pass-through address, the node cannot be opened for
  // reading and writing, or it does not take SG_IO requests.
  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) override;

 private:
  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
  SgAccessLog* accessLog_;
};

}  // namespace drivesmith
