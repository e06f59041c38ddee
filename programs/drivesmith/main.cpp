// drivesmith: rewrites the firmware of an optical drive with the image that
// is appended to this program's own file. Takes no arguments.

#include <QApplication>
#include <QGuiApplication>
#include <iostream>
#include <string>

#include "app/ApplicationName.h"
#include "app/UpdaterApp.h"
#include "image/ProgramFile.h"
#include "platform/linux/LinuxPlatformFamily.h"
#include "platform/linux/LogindSystemPower.h"
#include "platform/linux/ProgramFilePath.h"
#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtClock.h"
#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/RunningProgramFile.h"
#include "platform/linux/EmptyDiscoveryReport.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#include "ui/UpdateDialog.h"

int main(int argc, char** argv) {
  // The program takes no arguments, and Qt's own options (-reverse, -style,
  // -platform ...) are none of the user's business either: Qt sees only the
  // program name. A start without even that gets a name of its own.
  char fallbackName[] = "drivesmith";
  int qtArgc = 1;
  char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
  QApplication application(qtArgc, qtArgv);
  QApplication::setWindowIcon(drivesmith::ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("drivesmith"));

  const std::string ownPath = drivesmith::ProgramFilePath();
  const std::string applicationName = drivesmith::ApplicationNameFromPath(ownPath);

  drivesmith::LinuxPlatformFamily platform(
      [](const std::string& text, const std::string& caption, drivesmith::MessageBoxKind kind) {
        drivesmith::ShowQtMessageBox(nullptr, text, caption, kind);
      });
  drivesmith::SgAccessLog accessLog;
  drivesmith::SgIoPassThroughLayer passThrough("/sys", "/dev", &accessLog);
  // Header and image are read from the file this program was started from,
  // even when another file has been renamed over its name meanwhile.
  drivesmith::RunningProgramFile programFile;
  drivesmith::LogindSystemPower power;
  drivesmith::QtClock clock;

  drivesmith::UpdaterApp app({platform, passThrough, applicationName}, [&](drivesmith::
                                                                               ScsiTransport&
                                                                                   transport) {
    drivesmith::QtDialogView view;
    // An empty list says nothing in the window; the terminal learns why.
    view.SetInitialisedHandler([&] {
      if (view.SelectedListText().empty())
        std::cerr << drivesmith::DescribeEmptyDiscovery(accessLog);
    });
    drivesmith::UpdateDialog dialog({view, transport, programFile, clock, power, applicationName});
    view.RunModal(dialog);
  });
  return app.Run();
}
