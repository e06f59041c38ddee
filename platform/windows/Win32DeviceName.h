#pragma once
// The device name of a pass-through drive: "\\.\cdrom3" for cdrom device 3,
// "\\.\f:" for drive index 2 counted in letters from D.

#include <string>

#include "transport/PassThroughLayer.h"

namespace drivesmith {

std::string Win32DeviceName(PassThroughAddress address);

}  // namespace drivesmith
