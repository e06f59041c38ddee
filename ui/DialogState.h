#pragma once
// The members of the wizard dialog that its logic keeps.

#include <array>
#include <cstdint>
#include <string>

#include "image/FirmwareImage.h"
#include "update/EngineState.h"

namespace drivesmith {

struct DialogState : EngineState {
  // Content of the state area (1006) and of the Information field (1018).
  std::string StateText;
  std::string InformationText;
  // Clicks on the logo since initialisation or since the last reveal.
  std::int32_t LogoClickCount = 0;
  // 1 after a successful update: Close restarts the computer.
  std::int32_t RebootArmed = 0;
  // 1 once the Update Loader check box has been revealed.
  std::int32_t LoaderOptionShown = 0;
  // Image offset of the loader identity.
  std::uint32_t LoaderIdentityOffset = kLoaderIdentityOffset;
  std::array<std::uint8_t, 6> TypeCode{};
};

}  // namespace drivesmith
