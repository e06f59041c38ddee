#include "tests/windows/e2e/Screenshot.h"

#include <cstdint>
#include <filesystem>
#include <thread>

#include "tests/windows/e2e/DesktopProgram.h"
#include "tests/windows/e2e/TestPaths.h"

namespace drivesmith::wintest {

namespace {

// Wine keeps the X window of a top-level window in this property.
constexpr char kX11WindowProperty[] = "__wine_x11_whole_window";
constexpr auto kCaptureTimeout = 20s;
// Time for the X server to show what the program has drawn.
constexpr auto kPaintSettle = 300ms;

}  // namespace

bool SaveScreenshot(HWND window, const std::string& name) {
  const auto xWindow = reinterpret_cast<std::uintptr_t>(GetPropA(window, kX11WindowProperty));
  if (xWindow == 0) {
    return false;
  }
  std::error_code ignored;
  std::filesystem::create_directories(WindowsPath(kArtifactsFolder), ignored);
  Settle(window);
  std::this_thread::sleep_for(kPaintSettle);
  // Wine starts a Unix program given by its Unix path.
  std::string commandLine = std::string(kXwdProgram) + " -silent -id " + std::to_string(xWindow) +
                            " -out " + kArtifactsFolder + "/" + name + ".xwd";
  std::filesystem::remove(WindowsPath(std::string(kArtifactsFolder) + "/" + name + ".xwd"),
                          ignored);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  // Wine hands back no handles for a Unix program (what it leaves in `info`
  // must not be closed), nor its end or exit status: the picture is there
  // once its size stops changing.
  const std::filesystem::path picture =
      WindowsPath(std::string(kArtifactsFolder) + "/" + name + ".xwd");
  std::uintmax_t lastSize = 0;
  return WaitUntil(
      [&] {
        const std::uintmax_t size = std::filesystem::file_size(picture, ignored);
        const bool complete = !ignored && size > 0 && size == lastSize;
        lastSize = ignored ? 0 : size;
        return complete;
      },
      kCaptureTimeout);
}

}  // namespace drivesmith::wintest
