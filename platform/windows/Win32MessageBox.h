#pragma once
// Message boxes through MessageBoxA, with the style value of each kind as it
// stands (MB_OK | MB_ICONERROR, MB_OK | MB_ICONEXCLAMATION, MB_YESNO |
// MB_ICONEXCLAMATION).

#include <windows.h>

#include <string>

#include "ui/MessageBox.h"

namespace drivesmith {

// Shows a modal box owned by `owner` (null: no owner window) and returns the
// button that closed it.
MessageBoxAnswer ShowWin32MessageBox(HWND owner, const std::string& text,
                                     const std::string& caption, MessageBoxKind kind);

}  // namespace drivesmith
