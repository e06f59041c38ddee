#include "platform/windows/Win32MessageBox.h"

namespace drivesmith {

MessageBoxAnswer ShowWin32MessageBox(HWND owner, const std::string& text,
                                     const std::string& caption, MessageBoxKind kind) {
  switch (MessageBoxA(owner, text.c_str(), caption.c_str(), static_cast<UINT>(kind))) {
    case IDOK:
      return MessageBoxAnswer::Ok;
    case IDYES:
      return MessageBoxAnswer::Yes;
    case IDNO:
      return MessageBoxAnswer::No;
    default:
      return MessageBoxAnswer::Closed;
  }
}

}  // namespace drivesmith
