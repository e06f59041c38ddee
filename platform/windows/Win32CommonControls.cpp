#include "platform/windows/Win32CommonControls.h"

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

namespace drivesmith {

void EnableCommonControls() {
  using InitCommonControlsExCall = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // The program imports InitCommonControls, so the library is loaded.
  const HMODULE library = GetModuleHandleA("COMCTL32.DLL");
  const auto initEx = library == nullptr
                          ? nullptr
                          : reinterpret_cast<InitCommonControlsExCall>(reinterpret_cast<void*>(
                                GetProcAddress(library, "InitCommonControlsEx")));
  if (initEx == nullptr) {
    InitCommonControls();
    return;
  }
  const INITCOMMONCONTROLSEX controls = {sizeof controls,
                                         ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  initEx(&controls);
}

}  // namespace drivesmith
