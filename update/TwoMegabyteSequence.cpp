#include "update/TwoMegabyteSequence.h"

#include <algorithm>

#include "update/CompletionPoller.h"

namespace drivesmith {
namespace {

constexpr std::uint32_t kSilentBlockEvery = 8;

// Sends every block of `area` in the 10-byte form, adding each sent block's
// bytes to `sum`. Returns false at the first refused block.
bool SendArea(UpdateContext& context, std::span<const std::uint8_t, kTwoMegabyteImage> image,
              const ImageArea& area, std::uint16_t& sum) {
  for (std::uint32_t k = 0; k < area.Blocks(); ++k) {
    const auto block = image.subspan(area.BlockOffset(k), area.BlockLength(k));
    std::copy(block.begin(), block.end(), context.Request().Data());
    if (context.commands.TransferData(area.BlockLength(k), kForm10Byte, area.areaByte) != 1) {
      return false;
    }
    sum = AreaSum(block, sum);
    // Every eighth large block leaves the bar where it is; small blocks always move it.
    if (k >= area.LargeBlocks() || k % kSilentBlockEvery != 0) {
      ++context.state.ProgressCounter;
      context.SendProgress();
    }
  }
  return true;
}

bool ConfirmArea(UpdateContext& context, const ImageArea& area, std::uint16_t sum) {
  return context.commands.ConfirmSumCode(area.areaByte, sum, context.state.LoaderVersion) == 1 &&
         WaitForDrive(context) == 1;
}

}  // namespace

std::uint16_t AreaSum(std::span<const std::uint8_t> bytes, std::uint16_t start) {
  std::uint32_t sum = start;
  for (const std::uint8_t byte : bytes) {
    sum += byte;
  }
  return static_cast<std::uint16_t>(sum);
}

int RunTwoMegabyteSequence(UpdateContext& context,
                           std::span<const std::uint8_t, kTwoMegabyteImage> image) {
  DriveCommands& commands = context.commands;
  const std::uint32_t loaderUpdateFlag = context.state.LoaderUpdateFlag;

  if (commands.PrepareFlash(0) != 1) {
    return 0;
  }
  context.SetUpdateState(WizardState::Erasing);
  if (commands.EraseFlash(loaderUpdateFlag) != 1 || WaitForDrive(context) != 1) {
    return 0;
  }

  std::uint16_t firstSum = 0;
  context.SetUpdateState(WizardState::TransferFirstArea);
  if (!SendArea(context, image, kFirstMainArea, firstSum)) {
    return 0;
  }
  context.SetUpdateState(WizardState::WriteFirstArea);
  if (!ConfirmArea(context, kFirstMainArea, firstSum)) {
    return 0;
  }

  std::uint16_t secondSum = 0;
  context.SetUpdateState(WizardState::TransferSecondArea);
  if (!SendArea(context, image, kSecondMainArea, secondSum)) {
    return 0;
  }
  context.SetUpdateState(WizardState::WriteSecondArea);
  if (!ConfirmArea(context, kSecondMainArea, secondSum)) {
    return 0;
  }

  if (loaderUpdateFlag == 1) {
    std::uint16_t unusedSum = 0;  // the boot-loader area is written without a sum
    context.SetUpdateState(WizardState::TransferBootLoader);
    if (!SendArea(context, image, kBootLoaderArea, unusedSum)) {
      return 0;
    }
    context.SetUpdateState(WizardState::WriteBootLoader);
    if (commands.WriteFlash(loaderUpdateFlag) != 1 || WaitForDrive(context) != 1) {
      return 0;
    }
  }

  context.state.ProgressCounter = kProgressFull;
  context.SendProgress();
  return 1;
}

}  // namespace drivesmith
