#pragma once
// What transport selection needs of the system on Linux. Linux reaches
// drives the way the pass-through family does, so selection probes cdrom
// devices 0 to 255, which the SG_IO layer maps to /dev/sr0 to /dev/sr255.
// There is no ASPI.

#include <functional>
#include <string>

#include "app/AppPlatform.h"

namespace drivesmith {

using MessageBoxPresenter =
    std::function<void(const std::string& text, const std::string& caption, MessageBoxKind kind)>;

class LinuxPlatformFamily : public AppPlatform {
 public:
  // `showMessageBox` shows the boxes; the GUI passes its own.
  explicit LinuxPlatformFamily(MessageBoxPresenter showMessageBox);

  std::uint32_t PlatformId() override;
  std::unique_ptr<AspiLibrary> LoadAspiLibrary(const std::string& name) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxKind kind) override;

 private:
  MessageBoxPresenter showMessageBox_;
};

}  // namespace drivesmith
