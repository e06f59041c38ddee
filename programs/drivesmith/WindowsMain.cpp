// drivesmith.exe: rewrites the firmware of an optical drive with the image
// that is appended to this program's own file. Takes no arguments.

#include <windows.h>

#include <memory>
#include <string>

#include "app/ApplicationName.h"
#include "app/UpdaterApp.h"
#include "platform/windows/Win32Clock.h"
#include "platform/windows/Win32CommonControls.h"
#include "platform/windows/Win32DialogView.h"
#include "platform/windows/Win32MessageBox.h"
#include "platform/windows/Win32MessagePumpingCompletionWaiter.h"
#include "platform/windows/Win32PassThroughLayer.h"
#include "platform/windows/Win32PlatformFamily.h"
#include "platform/windows/Win32ProgramFile.h"
#include "platform/windows/Win32SystemPower.h"
#include "ui/UpdateDialog.h"

int main() {
  using namespace drivesmith;

  EnableCommonControls();

  Win32ProgramFile programFile;
  const std::string applicationName = ApplicationNameFromPath(programFile.Path());
  // The start-up boxes have no owner window. The dialog keeps painting while
  // an ASPI command runs.
  Win32PlatformFamily platform(
      [](const std::string& text, const std::string& caption, MessageBoxKind kind) {
        ShowWin32MessageBox(nullptr, text, caption, kind);
      },
      std::make_shared<Win32MessagePumpingCompletionWaiter>());
  Win32PassThroughLayer passThrough;
  Win32SystemPower power;
  Win32Clock clock;

  UpdaterApp app({platform, passThrough, applicationName}, [&](ScsiTransport& transport) {
    Win32DialogView view(GetModuleHandleA(nullptr));
    UpdateDialog dialog({view, transport, programFile, clock, power, applicationName});
    view.RunModal(dialog);
  });
  return app.Run();
}
