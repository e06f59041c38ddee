#include "update/CompletionPoller.h"

#include <optional>

#include "update/Timing.h"

namespace drivesmith {
namespace {

constexpr std::uint8_t kNoPhaseYet = 0xFF;

// UpdateState for a phase the drive reports; nothing for a phase without a line.
std::optional<WizardState> StateForPhase(std::uint8_t phase) {
  switch (phase) {
    case sense::phase::kSumCheck:
      return WizardState::ConfirmSum;
    case sense::phase::kErasing:
      return WizardState::Erasing;
    case sense::phase::kWriting:
      return WizardState::WriteFirstArea;
    case sense::phase::kFinalSumCheck:
      return WizardState::FinalSumCheck;
    default:
      return std::nullopt;
  }
}

}  // namespace

int WaitForDrive(UpdateContext& context) {
  ScsiRequest& request = context.Request();
  EngineState& state = context.state;
  const bool twoMegabyte = state.DriveFlashSizeCode == kFlash2M;
  const auto interval =
      twoMegabyte ? timing::kPollIntervalTwoMegabyte : timing::kPollIntervalOneMegabyte;
  const std::int32_t step = twoMegabyte ? 1 : 15;
  const auto started = context.clock.Now();

  std::uint8_t lastPhase = kNoPhaseYet;
  for (;;) {
    context.SendProgress();
    context.clock.Sleep(interval);
    state.ProgressCounter += step;

    int tryCount = 0;
    for (;;) {
      if (context.Mode() == TransportMode::PassThroughCdrom) {
        context.commands.RequestSense();
      }
      context.commands.TestUnitReady();
      if (request.asc != sense::kMediumNotPresent) {
        break;
      }
      if (++tryCount >= timing::kFinishSignalProbes) {
        break;
      }
    }

    if (tryCount == timing::kFinishSignalProbes) {
      if (!twoMegabyte) {
        state.ProgressCounter = kProgressFull;
        context.SendProgress();
      }
      return 1;
    }

    switch (request.asc) {
      case sense::kNoSense:
      case sense::kInvalidOperationCode:
        break;
      case sense::kDrivePhase:
        if (request.ascq != lastPhase) {
          if (const auto phaseState = StateForPhase(request.ascq)) {
            state.UpdateState = *phaseState;
          }
          context.status.RefreshStatus();
          lastPhase = request.ascq;
        }
        break;
      default:
        return 0;
    }

    // A drive that never gives the finish signal fails the wait instead of
    // holding the dialog forever.
    if (context.clock.Now() - started >= timing::kWaitForDriveLimit) {
      return 0;
    }
  }
}

}  // namespace drivesmith
