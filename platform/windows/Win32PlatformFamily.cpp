#include "platform/windows/Win32PlatformFamily.h"

#include <windows.h>

#include <utility>

#include "platform/windows/Win32AspiLibrary.h"

namespace drivesmith {

// The published OSVERSIONINFOA: five DWORDs and a 128-character string.
static_assert(sizeof(OSVERSIONINFOA) == 148);

Win32PlatformFamily::Win32PlatformFamily(Win32MessageBoxPresenter showMessageBox,
                                         std::shared_ptr<Win32CompletionWaiter> waiter)
    : showMessageBox_(std::move(showMessageBox)), waiter_(std::move(waiter)) {}

std::uint32_t Win32PlatformFamily::PlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  // Deprecated, but the one call that tells the two families apart on both.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
  return ok ? info.dwPlatformId : 0;
}

std::unique_ptr<AspiLibrary> Win32PlatformFamily::LoadAspiLibrary(const std::string& name) {
  return Win32AspiLibrary::Load(name, waiter_);
}

void Win32PlatformFamily::ShowMessageBox(const std::string& text, const std::string& caption,
                                         MessageBoxKind kind) {
  if (showMessageBox_) showMessageBox_(text, caption, kind);
}

}  // namespace drivesmith
