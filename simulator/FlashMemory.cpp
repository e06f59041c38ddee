#include "simulator/FlashMemory.h"

#include <algorithm>

namespace drivesmith::sim {

namespace {

// The bytes a flash of `size` starts with for `seed`.
std::vector<std::uint8_t> OldFirmwareBytes(std::size_t size, std::uint64_t seed) {
  // splitmix64: every seed, 0 included, gives varied bytes.
  std::vector<std::uint8_t> bytes(size);
  std::uint64_t state = seed;
  for (std::size_t i = 0; i < size; i += 8) {
    state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    for (std::size_t k = 0; k < 8 && i + k < size; ++k) {
      bytes[i + k] = static_cast<std::uint8_t>(z >> (8 * k));
    }
  }
  return bytes;
}

}  // namespace

FlashMemory::FlashMemory(std::size_t size, std::uint64_t seed)
    : bytes_(OldFirmwareBytes(size, seed)) {}

void FlashMemory::Erase(std::size_t begin, std::size_t end) {
  end = std::min(end, bytes_.size());
  if (begin >= end) return;
  std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(begin),
            bytes_.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{0xFF});
}

void FlashMemory::Program(std::size_t offset, std::span<const std::uint8_t> bytes) {
  if (offset >= bytes_.size()) return;
  const std::size_t count = std::min(bytes.size(), bytes_.size() - offset);
  for (std::size_t i = 0; i < count; ++i) bytes_[offset + i] &= bytes[i];
}

}  // namespace drivesmith::sim
