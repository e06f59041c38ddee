// drivesmith: rewrites the firmware of an optical drive with the image that
// is appended to this program's own file. Takes no arguments.

#include <QApplication>
#include <QGuiApplication>
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
#include "platform/linux/SgIoPassThroughLayer.h"
#include "ui/UpdateDialog.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setWindowIcon(drivesmith::ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("drivesmith"));

  const std::string ownPath = drivesmith::ProgramFilePath();
  const std::string applicationName = drivesmith::ApplicationNameFromPath(ownPath);

  drivesmith::LinuxPlatformFamily platform(
      [](const std::string& text, const std::string& caption, drivesmith::MessageBoxKind kind) {
        drivesmith::ShowQtMessageBox(nullptr, text, caption, kind);
      });
  drivesmith::SgIoPassThroughLayer passThrough;
  // Header and image are read from the file this program was started from,
  // even when another file has been renamed over its name meanwhile.
  drivesmith::RunningProgramFile programFile;
  drivesmith::LogindSystemPower power;
  drivesmith::QtClock clock;

  drivesmith::UpdaterApp app({platform, passThrough, applicationName}, [&](drivesmith::
                                                                               ScsiTransport&
                                                                                   transport) {
    drivesmith::QtDialogView view;
    drivesmith::UpdateDialog dialog({view, transport, programFile, clock, power, applicationName});
    view.RunModal(dialog);
  });
  return app.Run();
}
