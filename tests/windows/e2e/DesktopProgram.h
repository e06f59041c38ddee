#pragma once
// A Windows program started as a real process and driven through its
// windows the way a user's clicks reach them: buttons get BM_CLICK, the
// logo its click notification, and what the windows show is read back with
// WM_GETTEXT, the list and progress bar messages and IsWindowEnabled.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace drivesmith::wintest {

using namespace std::chrono_literals;

// How long a step may take before the test gives up on it: enough for Wine
// under an emulated kernel on a busy machine (a program's first start in a
// fresh prefix took over 30 s there). A step that succeeds ends the wait.
inline constexpr std::chrono::milliseconds kWindowWait = 120s;
inline constexpr std::chrono::milliseconds kUpdateWait = 300s;
// How long a cross-process message may take to be answered.
inline constexpr UINT kAnswerTimeoutMs = 10000;

// A message box as its window shows it.
struct ShownMessageBox {
  HWND window = nullptr;
  std::string caption;
  std::string text;
};

class DesktopProgram {
 public:
  // Starts `program` in `folder` with the harness's environment, after
  // setting `environment` in it. Started() tells whether it runs.
  DesktopProgram(const std::string& program, const std::string& folder,
                 const std::map<std::string, std::string>& environment);
  ~DesktopProgram();  // ends the process if it still runs
  DesktopProgram(const DesktopProgram&) = delete;
  DesktopProgram& operator=(const DesktopProgram&) = delete;

  bool Started() const { return process_ != nullptr; }
  // Waits until the process has ended; false on time-out.
  bool WaitForExit(std::chrono::milliseconds timeout);
  bool Running() const;
  // The exit status once the process has ended.
  DWORD ExitCode() const;

  // The visible top-level dialog-class windows of the process.
  std::vector<HWND> DialogWindows() const;
  // Waits for a visible top-level window of the process with `caption`;
  // null on time-out or when the process ends first.
  HWND WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout) const;
  // Waits for a message box of the process (a top-level dialog window other
  // than `except`).
  ShownMessageBox WaitForMessageBox(std::chrono::milliseconds timeout, HWND except = nullptr) const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// Reading and clicking controls of another process.
std::string TextOf(HWND window);
std::string ControlText(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
void ClickButton(HWND dialog, int id);
// A single click on a static control with the notify style (the logo).
void ClickStatic(HWND dialog, int id);
std::vector<std::string> ListEntries(HWND dialog, int id);
int SelectedListIndex(HWND dialog, int id);
void SelectListIndex(HWND dialog, int id, int index);
// -1 when the bar does not answer.
int ProgressPosition(HWND dialog, int id);
// Sends a message and waits for the answer, so that everything posted
// before it has been handled.
bool Settle(HWND window);

// Waits until `condition` holds or `timeout` has passed; polls.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Through the X server Wine draws on, as a user's mouse and keyboard reach
// the windows (a window manager must run). SaveScreenshot writes the window
// as ARTIFACTS/`name`.xwd (xwd) for people to look at; the others (xdotool)
// return once the server has done it, false when it failed.
void SaveScreenshot(HWND window, const std::string& name);
// Makes the window the active one, with the keyboard focus.
bool ActivateWindow(HWND window);
// Double-clicks the left mouse button on the middle of `window`.
bool DoubleClick(HWND window);
// Types `keys` (xdotool's key names) into whichever window has the focus.
bool TypeKeys(const std::string& keys);

}  // namespace drivesmith::wintest
