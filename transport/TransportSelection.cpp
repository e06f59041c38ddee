#include "transport/TransportSelection.h"

#include <cstdint>
#include <string>

namespace drivesmith {

namespace {

constexpr int kCdromDeviceCount = 256;
constexpr std::uint32_t kAspiStatusOk = 1;

constexpr char kNoAspiLibraryText[] = "Not found 'ASPI32.DLL'";
constexpr char kAspiEntryPointText[] = "ASPI Function Error 'ASPI32.DLL'";
constexpr char kNoAspiManagerText[] = "Not found ASPI MANAGER";

std::uint32_t AspiStatus(std::uint32_t supportInfo) { return (supportInfo >> 8) & 0xFFu; }

TransportSelection Failure() { return TransportSelection{}; }

// The ASPI family: the library must load, export both entry points and
// report a working manager.
TransportSelection SelectAspi(TransportPlatform& platform) {
  std::unique_ptr<AspiLibrary> library = platform.LoadAspiLibrary(kAspiLibraryName);
  if (!library) {
    platform.ShowMessageBox(kNoAspiLibraryText, kAppTitle, MessageBoxKind::ErrorOk);
    return Failure();
  }
  // Both entry points are looked up before either is tested.
  const bool hasSupportInfo = library->HasEntryPoint("GetASPI32SupportInfo");
  const bool hasSendCommand = library->HasEntryPoint("SendASPI32Command");
  if (!hasSupportInfo || !hasSendCommand) {
    library.reset();
    platform.ShowMessageBox(kAspiEntryPointText, kAppTitle, MessageBoxKind::ErrorOk);
    return Failure();
  }
  // Only the status counts; the host adapter count plays no part.
  if (AspiStatus(library->GetSupportInfo()) != kAspiStatusOk) {
    platform.ShowMessageBox(kNoAspiManagerText, kAppTitle, MessageBoxKind::ErrorOk);
    return Failure();
  }
  TransportSelection selection;
  selection.ok = 1;
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

TransportSelection SelectTransport(TransportPlatform& platform, PassThroughLayer& passThrough,
                                   const std::string& applicationName) {
  const std::uint32_t platformId = platform.PlatformId();
  if (platformId == kPlatformWin9x) return SelectAspi(platform);
  if (platformId == kPlatformNt) {
    TransportSelection selection;
    selection.ok = 1;
    selection.mode = ProbeCdromDevices(passThrough) == 1 ? TransportMode::PassThroughCdrom
                                                         : TransportMode::PassThroughLetter;
    return selection;
  }
  const std::string text = "ASPI:LoadErr [" + std::to_string(platformId) + "]";
  platform.ShowMessageBox(text, applicationName, MessageBoxKind::ExclamationOk);
  return Failure();
}

}  // namespace drivesmith
