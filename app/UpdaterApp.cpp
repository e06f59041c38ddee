#include "app/UpdaterApp.h"

#include <utility>

#include "transport/TransportSelection.h"

namespace drivesmith {

UpdaterApp::UpdaterApp(UpdaterAppPorts ports, DialogRunner runDialog)
    : ports_(std::move(ports)), runDialog_(std::move(runDialog)) {}

UpdaterApp::~UpdaterApp() = default;

int UpdaterApp::Run() {
  appTitle_ = kAppTitle;

  TransportSelection selection =
      SelectTransport(ports_.platform, ports_.passThrough, ports_.applicationName);
  if (selection.ok != 1) {
    return 0;
  }
  mode_ = selection.mode;
  aspi_ = std::move(selection.aspi);

  ScsiTransport transport(mode_, aspi_.get(), &ports_.passThrough);
  if (runDialog_) {
    runDialog_(transport);
  }
  return 0;
}

}  // namespace drivesmith
