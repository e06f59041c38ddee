#include "simulator/SenseCodes.h"

namespace drivesmith::sim {

SenseData MakeSense(std::uint8_t senseKey, std::uint8_t ascCode, std::uint8_t ascq) {
  SenseData sense{};
  sense[0] = 0x70;  // current error, fixed format
  sense[2] = static_cast<std::uint8_t>(senseKey & 0x0F);
  sense[7] = 10;  // additional sense length
  sense[scsi::kSenseAscByte] = ascCode;
  sense[scsi::kSenseAscqByte] = ascq;
  return sense;
}

std::uint8_t SenseKeyFor(std::uint8_t ascCode) {
  switch (ascCode) {
    case asc::kNoSense:
      return kSenseKeyNone;
    case asc::kMediumNotPresent:
    case asc::kDrivePhase:
    case 0x04:  // logical unit not ready
      return kSenseKeyNotReady;
    case asc::kInvalidOperationCode:
    case asc::kInvalidField:
    case asc::kCommandSequenceError:
      return kSenseKeyIllegalRequest;
    default:
      return kSenseKeyHardwareError;
  }
}

}  // namespace drivesmith::sim
