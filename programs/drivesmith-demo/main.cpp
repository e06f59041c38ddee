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
#include "programs/drivesmith-demo/DemoSystemPower.h"
#include "programs/drivesmith-demo/ReportingDialogView.h"
#include "programs/drivesmith-demo/ScaledClock.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "ui/UpdateDialog.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitNotCompleted = 1;
constexpr int kExitUsage = 2;
constexpr int kUpdateCompletedState = 11;

// Without a display the window is drawn off screen.
void UseOffscreenWithoutDisplay() {
  const bool haveDisplay =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!haveDisplay && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
}

drivesmith::MessageBoxAnswer AnswerAutomatically(const std::string& /*text*/,
                                                 const std::string& /*caption*/,
                                                 drivesmith::MessageBoxKind kind) {
  return kind == drivesmith::MessageBoxKind::ExclamationYesNo ? drivesmith::MessageBoxAnswer::Yes
                                                              : drivesmith::MessageBoxAnswer::Ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace drivesmith;

  UseOffscreenWithoutDisplay();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("drivesmith-demo"));

  // QApplication has taken its own options out of argv.
  std::vector<std::string> arguments(argv + 1, argv + argc);
  demo::DemoOptions options;
  std::string error;
  if (!demo::ParseDemoOptions(arguments, options, error)) {
    std::cerr << "drivesmith-demo: " << error << "\n" << demo::DemoUsage();
    return kExitUsage;
  }
  if (options.help) {
    std::cout << demo::DemoUsage();
    return 0;
  }

  std::unique_ptr<demo::TraceWriter> trace;
  if (!options.traceFile.empty()) {
    trace = std::make_unique<demo::TraceWriter>(options.traceFile);
    if (!trace->Ok()) {
      std::cerr << "drivesmith-demo: cannot write " << options.traceFile << "\n";
      return kExitUsage;
    }
  }

  if (options.autoRun) {
    std::cout << "platform: " << QGuiApplication::platformName().toStdString() << std::endl;
  }

  QtClock realClock;
  demo::ScaledClock clock(realClock, options.timeScale);
  demo::DemoMachine machine(options, clock, trace.get());
  demo::DemoSystemPower power(std::cout);

  const std::string ownPath = ProgramFilePath();
  const std::string applicationName = ApplicationNameFromPath(ownPath);
  // Header and image are read from the file this program was started from,
  // even when another file has been renamed over its name meanwhile.
  RunningProgramFile programFile;

  std::optional<int> finalState;
  UpdaterApp app(
      {machine.Platform(), machine.PassThrough(), applicationName}, [&](ScsiTransport& transport) {
        QtDialogView window;
        std::ostream& report = options.autoRun ? std::cout : std::clog;
        demo::ReportingDialogView view(window, report);
        if (trace) {
          view.OnRepaint([&trace] { trace->Flush(); });
        }
        UpdateDialog dialog({view, transport, programFile, clock, power, applicationName});
        demo::AutoPilot pilot(window, dialog, std::cout);
        if (options.autoRun) {
          window.SetMessageBoxAnswerer(AnswerAutomatically);
          pilot.Engage(options.select);
        } else if (options.select) {
          QTimer::singleShot(0, [&window, &options] { window.SelectListEntry(*options.select); });
        }
        window.RunModal(dialog);
        finalState = dialog.State().UpdateState;
      });
  app.Run();
  if (trace) {
    trace->Flush();
  }

  if (!options.autoRun) {
    return 0;
  }
  return finalState == kUpdateCompletedState ? kExitCompleted : kExitNotCompleted;
}
