#pragma once
// The kinds of message box the program raises, and the answers it reads.

#include <cstdint>

namespace drivesmith {

enum class MessageBoxKind : std::uint32_t {
  ErrorOk = 0x10,           // MB_OK | MB_ICONERROR
  ExclamationOk = 0x30,     // MB_OK | MB_ICONEXCLAMATION
  ExclamationYesNo = 0x34,  // MB_YESNO | MB_ICONEXCLAMATION
};

enum class MessageBoxAnswer { Ok, Yes, No, Closed };

}  // namespace drivesmith
