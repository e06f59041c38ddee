#pragma once
// Maps the pass-through device names that the transport builds to Linux
// device nodes.
//
//   "\\.\cdrom3" -> the SCSI generic node of /dev/sr3 (/dev/sgM, found in
//                   sysfs), or /dev/sr3 itself when it has none
//   "\\.\f:"     -> /dev/sg2 (the letter's distance from 'd', in 8 bits)
//
// The generic node is preferred because the block layer lets only a fixed
// list of commands through SG_IO on /dev/srN for callers without
// CAP_SYS_RAWIO, so the drive's vendor commands fail there for ordinary users;
// /dev/sgN is gated by its file permissions alone.

#include <filesystem>
#include <optional>
#include <string>

namespace drivesmith {

// The device node for `deviceName`, or nothing when the name is not one the
// transport builds. `sysfsRoot` and `devRoot` are normally "/sys" and "/dev".
// Whether the node exists is not checked.
std::optional<std::filesystem::path> SgDevicePath(const std::string& deviceName,
                                                  const std::filesystem::path& sysfsRoot,
                                                  const std::filesystem::path& devRoot);

// Whether `node` is a block node /dev/srN of a drive that sysfs knows but
// lists without a SCSI generic node (the sg driver is not loaded).
bool LacksGenericNode(const std::filesystem::path& node, const std::filesystem::path& sysfsRoot);

}  // namespace drivesmith
