#pragma once
// The program's own Linux transport on one drive: the SG_IO adapter behind
// the real ScsiTransport, with the request record and the drive commands on
// top, addressed as cdrom device N. With `throughBlockNode` the adapter is
// given a sysfs without generic nodes, so it falls back to /dev/srN.

#include <memory>
#include <string>

#include "drive/DriveCommands.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::kernelcheck {

inline constexpr char kNoSysfs[] = "/nonexistent-sysfs";

struct KernelRig {
  KernelRig(int cdromIndex, bool throughBlockNode)
      : layer(throughBlockNode ? kNoSysfs : "/sys", "/dev") {
    request->driveIndex = static_cast<std::uint8_t>(cdromIndex);
  }

  SgIoPassThroughLayer layer;
  ScsiTransport transport{TransportMode::PassThroughCdrom, nullptr, &layer};
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
  DriveCommands commands{*request, transport};
};

}  // namespace drivesmith::kernelcheck
