#pragma once
// One run of the wizard as both demos make it, whatever the window: the
// window's reports go to the terminal, the trace is flushed at each repaint,
// and an automatic run is flown by the window's own pilot.

#include <functional>
#include <iostream>

#include "programs/drivesmith-demo/DemoStart.h"
#include "programs/drivesmith-demo/ReportingDialogView.h"
#include "ui/UpdateDialog.h"

namespace drivesmith::demo {

// Runs the dialog modally in `window` and returns the state it ended in.
// `ports.view` is `window` itself; the dialog gets the reporting view around
// it. `selectEntry` picks a list entry in a run that is not automatic.
template <class Pilot, class Window>
WizardState RunDemoWizard(Window& window, UpdateDialogPorts ports, DemoStart& start,
                          const std::function<void(int)>& selectEntry) {
  const DemoOptions& options = start.options;
  ReportingDialogView view(window, options.autoRun ? std::cout : std::clog);
  if (start.trace) {
    view.OnRepaint([&start] { start.trace->Flush(); });
  }
  UpdateDialog dialog(
      {view, ports.transport, ports.programFile, ports.clock, ports.power, ports.applicationName});
  Pilot pilot(window, dialog, std::cout);
  if (options.autoRun) {
    window.SetMessageBoxAnswerer(AnswerAutomatically);
    pilot.Engage(options.select);
  } else if (options.select) {
    selectEntry(*options.select);
  }
  window.RunModal(dialog);
  return dialog.State().UpdateState;
}

}  // namespace drivesmith::demo
