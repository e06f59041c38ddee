#pragma once
// What the tests do to a program's windows through the X server that Wine
// draws them on: capture a top-level window with xwd (Wine draws message
// boxes and drop-downs in windows of their own, which a capture of the root
// window shows black), and type keys into it with xdotool, the way a user's
// keyboard and mouse reach it (a window manager must be running for that).

#include <windows.h>

#include <string>

namespace drivesmith::wintest {

// Writes the window as ARTIFACTS/`name`.xwd for people to look at; the
// test's runner converts the pictures to PNG.
void SaveScreenshot(HWND window, const std::string& name);

// Makes the window the active one, with the keyboard focus. Returns once the
// window manager has activated it; false when that failed.
bool ActivateWindow(HWND window);

// Double-clicks the left mouse button on the middle of `window`, the way a
// user's mouse does; false when xdotool failed.
bool DoubleClick(HWND window);

// Types `keys` (xdotool's key names) on the keyboard, into whichever window
// has the focus. Returns once xdotool has sent them; false when it failed.
bool TypeKeys(const std::string& keys);

}  // namespace drivesmith::wintest
