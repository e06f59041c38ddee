#include "platform/windows/Win32ProgramFile.h"

#include <windows.h>

#include <array>

#include "platform/windows/Win32OpenedFile.h"

namespace drivesmith {
namespace {
constexpr DWORD kPathBufferLength = 500;
}  // namespace

std::string Win32ProgramFile::Path() {
  std::array<char, kPathBufferLength> buffer{};
  const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), kPathBufferLength);
  // 0 is a failure; a full buffer is a path cut short, which names another file.
  if (length == 0 || length >= kPathBufferLength) return {};
  return std::string(buffer.data(), length);
}

std::unique_ptr<OpenedFile> Win32ProgramFile::Open(const std::string& path, std::string& failure) {
  return OpenWin32File(path, failure);
}

}  // namespace drivesmith
