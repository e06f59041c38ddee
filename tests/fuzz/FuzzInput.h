#pragma once
// Reads a fuzzer's input as a stream of small values; past its end every
// value is zero and every byte run is empty.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace drivesmith::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

  std::uint8_t Byte() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }
  // Big-endian, as many bytes as the width says.
  std::uint32_t Number(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | Byte();
    return value;
  }
  bool Flag() { return (Byte() & 1) != 0; }
  // Up to `count` bytes, fewer at the end of the input.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    const std::size_t taken = std::min(count, bytes_.size() - position_);
    const auto run = bytes_.subspan(position_, taken);
    position_ += taken;
    return run;
  }
  std::span<const std::uint8_t> Rest() { return Bytes(bytes_.size() - position_); }
  bool Empty() const { return position_ >= bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace drivesmith::fuzz
