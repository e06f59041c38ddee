#include "transport/TransportSelection.h"

#include <cstdint>
#include <string>

namespace drivesmith {

namespace {

constexpr int kCdromDeviceCount = 256;
constexpr std::uint32_t kAspiStatusOk = 1;

std::uint32_t AspiStatus(std::uint32_t supportInfo) { return (supportInfo >> 8) & 0xFFu; }

TransportSelection Failure(SelectionFailure failure, std::uint32_t platformId) {
  TransportSelection selection;
  selection.failure = failure;
  selection.platformId = platformId;
  return selection;
}

// The ASPI family: the library must load, export both entry points and
// report a working manager.
TransportSelection SelectAspi(TransportPlatform& platform) {
  std::unique_ptr<AspiLibrary> library = platform.LoadAspiLibrary(kAspiLibraryName);
  if (!library) {
    return Failure(SelectionFailure::NoAspiLibrary, kPlatformWin9x);
  }
  // Both entry points are looked up before either is tested.
  const bool hasSupportInfo = library->HasEntryPoint("GetASPI32SupportInfo");
  const bool hasSendCommand = library->HasEntryPoint("SendASPI32Command");
  if (!hasSupportInfo || !hasSendCommand) {
    return Failure(SelectionFailure::AspiEntryPointMissing, kPlatformWin9x);
  }
  // Only the status counts; the host adapter count plays no part.
  if (AspiStatus(library->GetSupportInfo()) != kAspiStatusOk) {
    return Failure(SelectionFailure::NoAspiManager, kPlatformWin9x);
  }
  TransportSelection selection;
  selection.platformId = kPlatformWin9x;
  selection.mode = TransportMode::Aspi;
  selection.aspi = std::move(library);
  return selection;
}

}  // namespace

int ProbeCdromDevices(PassThroughLayer& passThrough) {
  for (int number = 0; number < kCdromDeviceCount; ++number) {
    const PassThroughAddress cdrom{TransportMode::PassThroughCdrom,
                                   static_cast<std::uint8_t>(number)};
    // The probe keeps no handle: the device closes again at once.
    if (passThrough.Open(cdrom) != nullptr) return 1;
  }
  return 0;
}

TransportSelection SelectTransport(TransportPlatform& platform, PassThroughLayer& passThrough) {
  const std::uint32_t platformId = platform.PlatformId();
  if (platformId == kPlatformWin9x) return SelectAspi(platform);
  if (platformId == kPlatformNt) {
    TransportSelection selection;
    selection.platformId = kPlatformNt;
    selection.mode = ProbeCdromDevices(passThrough) == 1 ? TransportMode::PassThroughCdrom
                                                         : TransportMode::PassThroughLetter;
    return selection;
  }
  return Failure(SelectionFailure::UnknownPlatform, platformId);
}

}  // namespace drivesmith
