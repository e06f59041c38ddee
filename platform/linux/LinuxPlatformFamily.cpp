#include "platform/linux/LinuxPlatformFamily.h"

#include <utility>

namespace drivesmith {

LinuxPlatformFamily::LinuxPlatformFamily(MessageBoxPresenter showMessageBox)
    : showMessageBox_(std::move(showMessageBox)) {}

std::uint32_t LinuxPlatformFamily::PlatformId() { return kPlatformNt; }

std::unique_ptr<AspiLibrary> LinuxPlatformFamily::LoadAspiLibrary(const std::string& /*name*/) {
  return nullptr;
}

void LinuxPlatformFamily::ShowMessageBox(const std::string& text, const std::string& caption,
                                         MessageBoxKind kind) {
  if (showMessageBox_) showMessageBox_(text, caption, kind);
}

}  // namespace drivesmith
