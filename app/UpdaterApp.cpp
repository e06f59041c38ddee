#include "app/UpdaterApp.h"

#include <string>
#include <utility>

#include "transport/TransportSelection.h"

namespace drivesmith {

namespace {

constexpr char kNoAspiLibraryText[] = "Not found 'ASPI32.DLL'";
constexpr char kAspiEntryPointText[] = "ASPI Function Error 'ASPI32.DLL'";
constexpr char kNoAspiManagerText[] = "Not found ASPI MANAGER";

}  // namespace

UpdaterApp::UpdaterApp(UpdaterAppPorts ports, DialogRunner runDialog)
    : ports_(std::move(ports)), runDialog_(std::move(runDialog)) {}

int UpdaterApp::Run() {
  TransportSelection selection = SelectTransport(ports_.platform, ports_.passThrough);
  AppPlatform& platform = ports_.platform;
  switch (selection.failure) {
    case SelectionFailure::None:
      break;
    case SelectionFailure::NoAspiLibrary:
      platform.ShowMessageBox(kNoAspiLibraryText, kAppTitle, MessageBoxKind::ErrorOk);
      return 0;
    case SelectionFailure::AspiEntryPointMissing:
      platform.ShowMessageBox(kAspiEntryPointText, kAppTitle, MessageBoxKind::ErrorOk);
      return 0;
    case SelectionFailure::NoAspiManager:
      platform.ShowMessageBox(kNoAspiManagerText, kAppTitle, MessageBoxKind::ErrorOk);
      return 0;
    case SelectionFailure::UnknownPlatform:
      platform.ShowMessageBox("ASPI:LoadErr [" + std::to_string(selection.platformId) + "]",
                              ports_.applicationName, MessageBoxKind::ExclamationOk);
      return 0;
  }

  // The ASPI library stays loaded until the dialog has ended.
  ScsiTransport transport(selection.mode, selection.aspi.get(), &ports_.passThrough);
  if (runDialog_) {
    runDialog_(transport);
  }
  return 0;
}

}  // namespace drivesmith
