#pragma once
// Port: what transport selection needs of the operating system.

#include <cstdint>
#include <memory>
#include <string>

#include "transport/AspiLayer.h"

namespace drivesmith {

inline constexpr std::uint32_t kPlatformWin9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr std::uint32_t kPlatformNt = 2;     // VER_PLATFORM_WIN32_NT

class TransportPlatform {
 public:
  virtual ~TransportPlatform() = default;
  // The platform family: 1 for the ASPI family, 2 for the pass-through family.
  virtual std::uint32_t PlatformId() = 0;
  // LoadLibrary; null when the library cannot be loaded.
  virtual std::unique_ptr<AspiLibrary> LoadAspiLibrary(const std::string& name) = 0;
};

}  // namespace drivesmith
