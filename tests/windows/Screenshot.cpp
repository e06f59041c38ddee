#include "tests/windows/Screenshot.h"

#include <cstdint>
#include <thread>

#include "tests/windows/DesktopProgram.h"
#include "tests/windows/TestPaths.h"

namespace drivesmith::wintest {

namespace {

// Wine keeps the X window of a top-level window in this property.
constexpr char kX11WindowProperty[] = "__wine_x11_whole_window";
constexpr DWORD kCaptureTimeoutMs = 20000;
// Time for the X server to show what the program has drawn.
constexpr auto kPaintSettle = 300ms;

}  // namespace

bool SaveScreenshot(HWND window, const std::string& name) {
  const auto xWindow = reinterpret_cast<std::uintptr_t>(GetPropA(window, kX11WindowProperty));
  if (xWindow == 0) {
    return false;
  }
  Settle(window);
  std::this_thread::sleep_for(kPaintSettle);
  // Wine starts a Unix program given by its Unix path.
  std::string commandLine = std::string(kXwdProgram) + " -silent -id " + std::to_string(xWindow) +
                            " -out " + kArtifactsFolder + "/" + name + ".xwd";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  const bool done = WaitForSingleObject(info.hProcess, kCaptureTimeoutMs) == WAIT_OBJECT_0;
  DWORD status = 1;
  GetExitCodeProcess(info.hProcess, &status);
  CloseHandle(info.hProcess);
  return done && status == 0;
}

}  // namespace drivesmith::wintest
