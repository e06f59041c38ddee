#pragma once
// What transport selection needs of Windows: the platform family as
// GetVersionExA reports it, "WNASPI32.DLL" through LoadLibraryA, and the
// message boxes, which the program's view shows.

#include <functional>
#include <memory>
#include <string>

#include "platform/windows/Win32CompletionWaiter.h"
#include "app/AppPlatform.h"

namespace drivesmith {

using Win32MessageBoxPresenter =
    std::function<void(const std::string& text, const std::string& caption, MessageBoxKind kind)>;

class Win32PlatformFamily : public AppPlatform {
 public:
  // The ASPI library it loads waits for completions through `waiter`.
  Win32PlatformFamily(Win32MessageBoxPresenter showMessageBox,
                      std::shared_ptr<Win32CompletionWaiter> waiter);

  // dwPlatformId of GetVersionExA; 0 when the call fails.
  std::uint32_t PlatformId() override;
  std::unique_ptr<AspiLibrary> LoadAspiLibrary(const std::string& name) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxKind kind) override;

 private:
  Win32MessageBoxPresenter showMessageBox_;
  std::shared_ptr<Win32CompletionWaiter> waiter_;
};

}  // namespace drivesmith
