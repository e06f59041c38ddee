#pragma once
// The application object: its start-up routine is the whole life of the
// program. It chooses the transport, shows the wizard dialog modally on it,
// and returns when the dialog has ended.

#include <functional>
#include <string>

#include "app/AppPlatform.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {

// Caption of the boxes that say why no transport could be had.
inline constexpr char kAppTitle[] = "Tavix Drivesmith ver 1.0.1.0";

struct UpdaterAppPorts {
  AppPlatform& platform;
  PassThroughLayer& passThrough;
  // The program file's base name without extension; caption of the box for an
  // unknown platform family.
  std::string applicationName;
};

class UpdaterApp {
 public:
  // Creates the platform's view and the UpdateDialog on `transport` and runs
  // the dialog modally; returns when it has ended.
  using DialogRunner = std::function<void(ScsiTransport& transport)>;

  UpdaterApp(UpdaterAppPorts ports, DialogRunner runDialog);
  UpdaterApp(const UpdaterApp&) = delete;
  UpdaterApp& operator=(const UpdaterApp&) = delete;

  // The start-up routine. Selects the transport (on a failure it shows the
  // box that says why and ends the program without a dialog), then runs the
  // dialog. Always returns 0: the program ends when it returns.
  int Run();

 private:
  UpdaterAppPorts ports_;
  DialogRunner runDialog_;
};

}  // namespace drivesmith
