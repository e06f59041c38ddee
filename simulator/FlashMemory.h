#pragma once
// A NOR flash: erasing sets bytes to 0xFF, programming can only clear bits,
// so programming over old contents without an erase leaves wrong bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace drivesmith::sim {

class FlashMemory {
 public:
  // `size` bytes of pseudo-random "old firmware" made from `seed`.
  FlashMemory(std::size_t size, std::uint64_t seed);

  // Sets [begin, end) to 0xFF; the range is clipped to the flash.
  void Erase(std::size_t begin, std::size_t end);
  // ANDs `bytes` into the flash from `offset`; what lies beyond the end is dropped.
  void Program(std::size_t offset, std::span<const std::uint8_t> bytes);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace drivesmith::sim
