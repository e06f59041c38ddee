#include "tests/windows/e2e/X11Tools.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/windows/e2e/DesktopProgram.h"
#include "tests/windows/e2e/TestPaths.h"

namespace drivesmith::wintest {

namespace {

namespace fs = std::filesystem;

// Wine keeps the X window of a top-level window in this property.
constexpr char kX11WindowProperty[] = "__wine_x11_whole_window";
constexpr auto kUnixProgramTimeout = 20s;
// Time for the X server to show what the program has drawn.
constexpr auto kPaintSettle = 300ms;

std::uintptr_t XWindowOf(HWND window) {
  return reinterpret_cast<std::uintptr_t>(GetPropA(window, kX11WindowProperty));
}

// Runs a Unix program through RunAndMark.sh and returns whether it ended
// with status 0. Wine starts a Unix program given by its Unix path; it hands
// back no usable handles for it (what it leaves in the process information
// must not be closed).
bool RunUnixProgram(const std::vector<std::string>& arguments) {
  static int runs = 0;
  const std::string statusFile = std::string(kScratchFolder) + "/unix-run-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(++runs);
  std::error_code ignored;
  fs::create_directories(WindowsPath(kScratchFolder), ignored);
  fs::remove(WindowsPath(statusFile), ignored);
  std::string commandLine = "/bin/sh \"" + std::string(kRunAndMark) + "\" \"" + statusFile + "\"";
  for (const std::string& argument : arguments) {
    commandLine += " \"" + argument + "\"";
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  if (!WaitUntil([&] { return fs::exists(WindowsPath(statusFile), ignored); },
                 kUnixProgramTimeout)) {
    return false;
  }
  int status = -1;
  std::ifstream(WindowsPath(statusFile)) >> status;
  fs::remove(WindowsPath(statusFile), ignored);
  return status == 0;
}

}  // namespace

void SaveScreenshot(HWND window, const std::string& name) {
  std::error_code ignored;
  fs::create_directories(WindowsPath(kArtifactsFolder), ignored);
  Settle(window);
  std::this_thread::sleep_for(kPaintSettle);
  RunUnixProgram({kXwdProgram, "-silent", "-id", std::to_string(XWindowOf(window)), "-out",
                  std::string(kArtifactsFolder) + "/" + name + ".xwd"});
}

bool ActivateWindow(HWND window) {
  const std::uintptr_t xWindow = XWindowOf(window);
  return xWindow != 0 &&
         RunUnixProgram({kXdotoolProgram, "windowactivate", "--sync", std::to_string(xWindow)});
}

bool DoubleClick(HWND window) {
  RECT box;
  return GetWindowRect(window, &box) &&
         RunUnixProgram(
             {kXdotoolProgram, "mousemove", "--sync", std::to_string((box.left + box.right) / 2),
              std::to_string((box.top + box.bottom) / 2), "click", "--repeat", "2", "1"});
}

bool TypeKeys(const std::string& keys) {
  return RunUnixProgram({kXdotoolProgram, "key", "--clearmodifiers", keys});
}

}  // namespace drivesmith::wintest
