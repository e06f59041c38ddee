#pragma once
// The application object: its start-up routine is the whole life of the
// program. It chooses the transport, shows the wizard dialog modally on it,
// and returns when the dialog has ended.

#include <functional>
#include <memory>
#include <string>

#include "transport/AspiLayer.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiTransport.h"
#include "transport/TransportMode.h"
#include "transport/TransportPlatform.h"

namespace drivesmith {

struct UpdaterAppPorts {
  TransportPlatform& platform;
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
  ~UpdaterApp();
  UpdaterApp(const UpdaterApp&) = delete;
  UpdaterApp& operator=(const UpdaterApp&) = delete;

  // The start-up routine. Selects the transport (a failure has shown its
  // message box and ends the program without a dialog), then runs the dialog.
  // Always returns 0: the program ends when it returns.
  int Run();

  // "Tavix Drivesmith ver 1.0.1.0" once start-up has begun, null before.
  const char* AppTitle() const { return appTitle_; }
  // The transport chosen at start-up; fixed for the rest of the run.
  TransportMode Mode() const { return mode_; }
  // The ASPI library kept loaded for the run (TransportMode 0 only).
  const AspiLibrary* Aspi() const { return aspi_.get(); }

 private:
  UpdaterAppPorts ports_;
  DialogRunner runDialog_;
  const char* appTitle_ = nullptr;
  TransportMode mode_ = TransportMode::Aspi;
  std::unique_ptr<AspiLibrary> aspi_;
};

}  // namespace drivesmith
