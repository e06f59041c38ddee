// drivesmith-demo: the firmware update wizard on simulated drives. The
// program file carries a synthetic image, which the wizard reads the way the
// real program reads its own.

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ApplicationName.h"
#include "app/UpdaterApp.h"
#include "image/ProgramFile.h"
#include "platform/linux/ProgramFilePath.h"
#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtClock.h"
#include "platform/linux/QtDialogView.h"
#include "platform/linux/RunningProgramFile.h"
#include "programs/drivesmith-demo/AutoPilot.h"
#include "programs/drivesmith-demo/DemoMachine.h"
#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/DemoStart.h"
#include "programs/drivesmith-demo/DemoSystemPower.h"
#include "programs/drivesmith-demo/DemoWizardRun.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "simulator/ScaledClock.h"
#include "ui/UpdateDialog.h"

namespace {

// Without a display the window is drawn off screen.
void UseOffscreenWithoutDisplay() {
  const bool haveDisplay =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!haveDisplay && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace drivesmith;

  UseOffscreenWithoutDisplay();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("drivesmith-demo"));

  // QApplication has taken its own options out of argv.
  demo::DemoStart start;
  if (const auto status = demo::StartDemo({argv + 1, argv + argc}, start)) {
    return *status;
  }
  const demo::DemoOptions& options = start.options;
  std::unique_ptr<demo::TraceWriter>& trace = start.trace;

  if (options.autoRun) {
    std::cout << "platform: " << QGuiApplication::platformName().toStdString() << std::endl;
  }

  QtClock realClock;
  sim::ScaledClock clock(realClock, options.timeScale);
  demo::DemoMachine machine(options, clock, trace.get());
  demo::DemoSystemPower power(std::cout);

  const std::string ownPath = ProgramFilePath();
  const std::string applicationName = ApplicationNameFromPath(ownPath);
  // Header and image are read from the file this program was started from,
  // even when another file has been renamed over its name meanwhile.
  RunningProgramFile programFile;

  std::optional<WizardState> finalState;
  UpdaterApp app(
      {machine.Platform(), machine.PassThrough(), applicationName}, [&](ScsiTransport& transport) {
        QtDialogView window;
        finalState = demo::RunDemoWizard<demo::AutoPilot>(
            window, {window, transport, programFile, clock, power, applicationName}, start,
            [&window](int select) {
              QTimer::singleShot(0, [&window, select] { window.SelectListEntry(select); });
            });
      });
  app.Run();
  if (trace) {
    trace->Flush();
  }

  return demo::DemoExitStatus(options, finalState);
}
