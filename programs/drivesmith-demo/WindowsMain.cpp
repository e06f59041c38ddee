// drivesmith-demo for Windows: the firmware update wizard in its Win32 window
// on simulated drives. The program file carries a synthetic image, which the
// wizard reads the way the real program reads its own.

#include <windows.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ApplicationName.h"
#include "app/UpdaterApp.h"
#include "platform/windows/Win32Clock.h"
#include "platform/windows/Win32CommonControls.h"
#include "platform/windows/Win32DialogView.h"
#include "platform/windows/Win32ProgramFile.h"
#include "programs/drivesmith-demo/DemoMachine.h"
#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/DemoStart.h"
#include "programs/drivesmith-demo/DemoSystemPower.h"
#include "programs/drivesmith-demo/DemoWizardRun.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "programs/drivesmith-demo/Win32AutoPilot.h"
#include "simulator/ScaledClock.h"
#include "ui/UpdateDialog.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  using namespace drivesmith;

  demo::DemoStart start;
  if (const auto status = demo::StartDemo({argv + 1, argv + argc}, start)) {
    return *status;
  }
  const demo::DemoOptions& options = start.options;
  std::unique_ptr<demo::TraceWriter>& trace = start.trace;

  EnableCommonControls();

  Win32Clock realClock;
  sim::ScaledClock clock(realClock, options.timeScale);
  demo::DemoMachine machine(options, clock, trace.get());
  demo::DemoSystemPower power(std::cout);
  Win32ProgramFile programFile;
  const std::string applicationName = ApplicationNameFromPath(programFile.Path());

  std::optional<WizardState> finalState;
  UpdaterApp app(
      {machine.Platform(), machine.PassThrough(), applicationName}, [&](ScsiTransport& transport) {
        Win32DialogView window(GetModuleHandleA(nullptr));
        finalState = demo::RunDemoWizard<demo::Win32AutoPilot>(
            window, {window, transport, programFile, clock, power, applicationName}, start,
            [&window](int select) {
              window.OnInit([select](HWND dialogWindow) {
                PostMessageA(GetDlgItem(dialogWindow, static_cast<int>(ControlId::DriveList)),
                             CB_SETCURSEL, static_cast<WPARAM>(select), 0);
              });
            });
      });
  app.Run();
  if (trace) {
    trace->Flush();
  }

  return demo::DemoExitStatus(options, finalState);
}
