#include "platform/windows/Win32DeviceName.h"

namespace drivesmith {

std::string Win32DeviceName(PassThroughAddress address) {
  if (address.mode == TransportMode::PassThroughCdrom) {
    return "\\\\.\\cdrom" + std::to_string(address.driveIndex);
  }
  // The letter is 'd' advanced by the drive index, taken in eight bits, so
  // index 253 wraps round to 'a'.
  std::string name = "\\\\.\\d:";
  name[4] = static_cast<char>(static_cast<std::uint8_t>('d' + address.driveIndex));
  return name;
}

}  // namespace drivesmith
