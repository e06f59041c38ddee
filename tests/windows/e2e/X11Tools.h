#pragma once
// What the tests do to a program's windows through the X server that Wine
// draws them on: capture a top-level window with xwd (Wine draws message
// boxes and drop-downs in windows of their own, which a capture of the root
// window shows black), and type keys into it with xdotool, the way a user's
// keyboard reaches it (a window manager must be running for that).

#include <windows.h>

#include <string>

namespace drivesmith::wintest {

// Writes the window as ARTIFACTS/`name`.xwd; the test's runner converts the
// pictures to PNG. False when the window has no X window or xwd fails.
bool SaveScreenshot(HWND window, const std::string& name);

// Activates the window and types `keys` (xdotool's key names) into it.
// Returns once xdotool has ended; false when it failed.
bool TypeKeys(HWND window, const std::string& keys);

}  // namespace drivesmith::wintest
