#include "update/UpdatePreparation.h"

#include <algorithm>
#include <span>

#include "update/LoaderVersion.h"
#include "update/OneMegabyteSequence.h"
#include "update/Timing.h"
#include "update/TwoMegabyteSequence.h"

namespace drivesmith {
namespace {

constexpr std::uint32_t kUpModeFlag = 1;
constexpr std::size_t kProductOffset = 16;
constexpr std::size_t kProductLength = 16;

}  // namespace

int PrepareDrive(UpdateContext& context) {
  DriveCommands& commands = context.commands;
  commands.ChangeToUpMode(kUpModeFlag);  // the drive's answer tells nothing; Inquiry does
  context.clock.Sleep(timing::kUpModeSettle);
  if (commands.Inquiry() != 1) {
    return 0;
  }

  const std::uint8_t* inquiry = context.Request().Data();
  context.state.DriveFlashSizeCode = kFlash1M;
  const std::span<const std::uint8_t> product(inquiry + kProductOffset, kProductLength);
  if (const auto code = FindLoaderCode(product)) {
    context.state.DriveFlashSizeCode = *code;
    std::array<std::uint8_t, kRevisionLength> revision{};
    std::copy_n(inquiry + kRevisionOffset, kRevisionLength, revision.begin());
    context.state.LoaderVersion = ParseLoaderVersion(revision);
  }
  return 1;
}

int RunUpdate(UpdateContext& context, ProgramFile& programFile, FirmwareImage& image) {
  const std::string path = programFile.Path();
  if (path.empty()) {
    return 0;
  }
  std::string openFailure;
  if (image.LoadFirmwareImage(programFile, path, openFailure) != 1) {
    if (!openFailure.empty()) {
      context.status.ReportOpenFailure(openFailure);
    }
    return 0;
  }

  context.state.ProgressCounter = 0;
  context.SendProgress();

  // The trailer alone says how long the image is; it may be shorter than
  // what the drive's layout needs (a one-megabyte image for a drive of the
  // two-megabyte layout, or an image of 0 MiB that the load refuses). The
  // sequences take the image with a fixed extent, so a short one never
  // reaches them: the update fails before any of their commands is sent.
  const std::span<const std::uint8_t> loaded(image.Data(), image.Length());
  if (context.state.DriveFlashSizeCode == kFlash2M) {
    if (loaded.size() < kTwoMegabyteImage) {
      return 0;
    }
    return RunTwoMegabyteSequence(context, loaded.first<kTwoMegabyteImage>());
  }
  if (loaded.size() < kOneMegabyteImage) {
    return 0;
  }
  return RunOneMegabyteSequence(context, loaded.first<kOneMegabyteImage>());
}

}  // namespace drivesmith
