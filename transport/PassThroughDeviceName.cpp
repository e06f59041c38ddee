#include <string>

#include "transport/ScsiTransport.h"

namespace drivesmith {

std::string PassThroughDeviceName(TransportMode mode, std::uint8_t driveIndex) {
  if (mode == TransportMode::PassThroughCdrom) {
    return "\\\\.\\cdrom" + std::to_string(driveIndex);
  }
  // The letter is 'd' advanced by the drive index, taken in eight bits, so
  // index 253 wraps round to 'a'.
  std::string name = "\\\\.\\d:";
  name[4] = static_cast<char>(static_cast<std::uint8_t>('d' + driveIndex));
  return name;
}

}  // namespace drivesmith
