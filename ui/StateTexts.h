#pragma once
// The fixed texts of the wizard: the state area's text, the label of the
// Next > / Start button and the Back button's state for every UpdateState.

#include <cstdint>
#include <optional>
#include <string>

#include "image/LoaderTable.h"
#include "update/EngineState.h"

namespace drivesmith {

namespace text {
inline constexpr const char* kDialogCaption = "Tavix Drivesmith Ver. 10.0";
inline constexpr const char* kTitle = "DVD/CD Rewritable Drive F/W Update Program\r\nDrivesmith";
inline constexpr const char* kNext = "Next >";
inline constexpr const char* kStart = "Start";
inline constexpr const char* kReboot = "Reboot";
inline constexpr const char* kUnsupportedModel =
    "Sorry, this flash utility can't update this model.";
inline constexpr const char* kLayoutChangeQuestion = "You'll change FROM 1M to 2M.\r\nContinue?";
inline constexpr const char* kLayoutChangeCaption = "Warning!!";
inline constexpr const char* kShutdownReason = "Drivesmith is rewriting a drive's firmware";
}  // namespace text

struct StatePresentation {
  std::string stateText;
  // Label of button 1003; nothing when the state keeps it.
  std::optional<std::string> nextStartLabel;
  bool backEnabled = false;
};

// What RefreshStatus shows for `updateState`; the phase lines of states 2 to
// 10 follow the drive's flash layout.
StatePresentation PresentState(WizardState updateState, FlashSizeCode driveFlashSizeCode);

}  // namespace drivesmith
