#pragma once
// Pictures of a program's windows as the X server shows them: each
// top-level window is captured on its own with xwd (Wine draws message boxes
// and drop-downs in windows of their own, which a capture of the root window
// shows black).

#include <windows.h>

#include <string>

namespace drivesmith::wintest {

// Writes the window as ARTIFACTS/`name`.xwd; the test's runner converts the
// pictures to PNG. False when the window has no X window or xwd fails.
bool SaveScreenshot(HWND window, const std::string& name);

}  // namespace drivesmith::wintest
