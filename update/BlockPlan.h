#pragma once
// The areas of the image that the update sequences send, cut into blocks.

#include <cstddef>
#include <cstdint>

namespace drivesmith {

inline constexpr std::uint32_t kLargeBlock = 3072;
inline constexpr std::uint32_t kSmallBlock = 1024;
inline constexpr std::size_t kOneMegabyteImage = 0x100000;
inline constexpr std::size_t kTwoMegabyteImage = 0x200000;

// One area: its range of image bytes, sent as 3072-byte blocks in rising
// order and then the rest as 1024-byte blocks.
struct ImageArea {
  std::uint8_t areaByte;
  std::uint32_t begin;
  std::uint32_t end;  // one past the last byte

  constexpr std::uint32_t Length() const { return end - begin; }
  constexpr std::uint32_t LargeBlocks() const { return Length() / kLargeBlock; }
  constexpr std::uint32_t SmallBlocks() const { return (Length() % kLargeBlock) / kSmallBlock; }
  constexpr std::uint32_t Blocks() const { return LargeBlocks() + SmallBlocks(); }
  constexpr bool CutExactly() const { return Length() % kLargeBlock % kSmallBlock == 0; }
  // Offset and length of block `index` (0 to Blocks() - 1).
  constexpr std::uint32_t BlockOffset(std::uint32_t index) const {
    return index < LargeBlocks()
               ? begin + index * kLargeBlock
               : begin + LargeBlocks() * kLargeBlock + (index - LargeBlocks()) * kSmallBlock;
  }
  constexpr std::uint32_t BlockLength(std::uint32_t index) const {
    return index < LargeBlocks() ? kLargeBlock : kSmallBlock;
  }
};

// One-megabyte layout: the first megabyte as area 0.
inline constexpr ImageArea kOneMegabyteArea{0, 0x00000, 0x100000};
// Two-megabyte layout: two main areas and the boot-loader area.
inline constexpr ImageArea kFirstMainArea{1, 0x8000, 0x100000};
inline constexpr ImageArea kSecondMainArea{2, 0x100000, 0x200000};
inline constexpr ImageArea kBootLoaderArea{5, 0x0000, 0x4000};

// Every block lies inside the image that its sequence is given.
static_assert(kOneMegabyteArea.CutExactly() && kOneMegabyteArea.end <= kOneMegabyteImage);
static_assert(kOneMegabyteArea.LargeBlocks() == 341 && kOneMegabyteArea.SmallBlocks() == 1);
static_assert(kFirstMainArea.CutExactly() && kFirstMainArea.end <= kTwoMegabyteImage);
static_assert(kFirstMainArea.LargeBlocks() == 330 && kFirstMainArea.SmallBlocks() == 2);
static_assert(kSecondMainArea.CutExactly() && kSecondMainArea.end <= kTwoMegabyteImage);
static_assert(kSecondMainArea.LargeBlocks() == 341 && kSecondMainArea.SmallBlocks() == 1);
static_assert(kBootLoaderArea.CutExactly() && kBootLoaderArea.end <= kTwoMegabyteImage);
static_assert(kBootLoaderArea.LargeBlocks() == 5 && kBootLoaderArea.SmallBlocks() == 1);

}  // namespace drivesmith
