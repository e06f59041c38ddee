#pragma once
// Maps pass-through drive addresses to Linux device nodes.
//
//   cdrom device 3 -> the SCSI generic node of /dev/sr3 (/dev/sgM, found in
//                     sysfs), or /dev/sr3 itself when it has none
//   drive index 2  -> /dev/sg2
//
// The generic node is preferred because the block layer lets only a fixed
// list of commands through SG_IO on /dev/srN for callers without
// CAP_SYS_RAWIO, so the drive's vendor commands fail there for ordinary users;
// /dev/sgN is gated by its file permissions alone.

#include <filesystem>
#include <optional>

#include "transport/PassThroughLayer.h"

namespace drivesmith {

// The device node of `address`, or nothing when its mode is not a
// pass-through mode. `sysfsRoot` and `devRoot` are normally "/sys" and
// "/dev". Whether the node exists is not checked.
std::optional<std::filesystem::path> SgDevicePath(PassThroughAddress address,
                                                  const std::filesystem::path& sysfsRoot,
                                                  const std::filesystem::path& devRoot);

// Whether `node` is a block node /dev/srN of a drive that sysfs knows but
// lists without a SCSI generic node (the sg driver is not loaded).
bool LacksGenericNode(const std::filesystem::path& node, const std::filesystem::path& sysfsRoot);

}  // namespace drivesmith
