#include "update/OneMegabyteSequence.h"

#include <algorithm>
#include <array>

#include "update/CompletionPoller.h"
#include "update/Timing.h"

namespace drivesmith {
namespace {

constexpr std::array<std::uint8_t, 3> kPrepareFlashParameters = {0, 1, 2};

void CopyBlock(UpdateContext& context, std::span<const std::uint8_t, kOneMegabyteImage> image,
               std::uint32_t offset, std::uint32_t length) {
  const auto block = image.subspan(offset, length);
  std::copy(block.begin(), block.end(), context.Request().Data());
}

// Sends main block `index`, already in the data buffer, until the drive takes
// it. A "medium not present" answer asks for the same block again; any other
// refusal of the 12-byte form switches the run to the 10-byte form; any other
// refusal of the 10-byte form, or too many repeats, fails the block.
bool SendMainBlock(UpdateContext& context, std::uint32_t& commandForm) {
  int repeats = 0;
  while (context.commands.TransferData(kLargeBlock, commandForm, kOneMegabyteArea.areaByte) != 1) {
    if (context.Request().asc == sense::kMediumNotPresent) {
      if (++repeats > timing::kBlockRepeatLimit) {
        return false;
      }
    } else if (commandForm == kForm12Byte) {
      commandForm = kForm10Byte;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int RunOneMegabyteSequence(UpdateContext& context,
                           std::span<const std::uint8_t, kOneMegabyteImage> image) {
  context.SetUpdateState(WizardState::TransferFirstArea);
  context.clock.Sleep(timing::kTransferStartPause);

  std::uint32_t commandForm = kForm12Byte;
  const ImageArea& area = kOneMegabyteArea;
  for (std::uint32_t k = 0; k < area.LargeBlocks(); ++k) {
    CopyBlock(context, image, area.BlockOffset(k), area.BlockLength(k));
    if (!SendMainBlock(context, commandForm)) {
      return 0;
    }
    if (k % 2 == 1) {
      ++context.state.ProgressCounter;
    }
    context.SendProgress();
  }

  // The tail block goes out once, in the form the run has reached.
  for (std::uint32_t k = area.LargeBlocks(); k < area.Blocks(); ++k) {
    CopyBlock(context, image, area.BlockOffset(k), area.BlockLength(k));
    if (context.commands.TransferData(area.BlockLength(k), commandForm, area.areaByte) != 1) {
      return 0;
    }
  }

  bool prepared = false;
  for (const std::uint8_t parameter : kPrepareFlashParameters) {
    if (context.commands.PrepareFlash(parameter) == 1) {
      prepared = true;
      break;
    }
  }
  if (!prepared) {
    return 0;
  }

  if (context.commands.WriteFlash(context.state.LoaderUpdateFlag) != 1) {
    return 0;
  }
  return WaitForDrive(context);
}

}  // namespace drivesmith
