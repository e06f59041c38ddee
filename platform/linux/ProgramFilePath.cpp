#include "platform/linux/ProgramFilePath.h"

#include <unistd.h>

#include <vector>

namespace drivesmith {

namespace {

constexpr std::size_t kInitialPathCapacity = 512;
constexpr std::size_t kLargestPathCapacity = 1 << 16;

}  // namespace

std::string ProgramFilePath(const std::string& executableLink) {
  // readlink does not say whether it cut the path short, so the buffer grows
  // until the path fits with room to spare.
  for (std::size_t capacity = kInitialPathCapacity; capacity <= kLargestPathCapacity;
       capacity *= 2) {
    std::vector<char> buffer(capacity);
    const ssize_t length = ::readlink(executableLink.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {};
    const auto used = static_cast<std::size_t>(length);
    if (used < buffer.size()) return std::string(buffer.data(), used);
  }
  return {};
}

}  // namespace drivesmith
