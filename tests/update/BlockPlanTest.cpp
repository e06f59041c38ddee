// The areas the sequences send: every block lies inside the image its
// sequence is given, blocks follow each other without a gap, and the counts
// are the drive's.

#include <gtest/gtest.h>

#include <vector>

#include "update/BlockPlan.h"
#include "update/TwoMegabyteSequence.h"

namespace drivesmith {
namespace {

struct AreaCase {
  const char* name;
  ImageArea area;
  std::size_t imageLength;
  std::uint32_t large;
  std::uint32_t small;
};

class BlockPlanTest : public ::testing::TestWithParam<AreaCase> {};

TEST_P(BlockPlanTest, BlocksCoverTheAreaInsideTheImage) {
  const AreaCase& c = GetParam();
  EXPECT_EQ(c.area.LargeBlocks(), c.large);
  EXPECT_EQ(c.area.SmallBlocks(), c.small);
  std::uint32_t next = c.area.begin;
  for (std::uint32_t k = 0; k < c.area.Blocks(); ++k) {
    EXPECT_EQ(c.area.BlockOffset(k), next) << k;
    EXPECT_EQ(c.area.BlockLength(k), k < c.large ? kLargeBlock : kSmallBlock) << k;
    next += c.area.BlockLength(k);
    EXPECT_LE(next, c.imageLength) << k;
  }
  EXPECT_EQ(next, c.area.end);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, BlockPlanTest,
    ::testing::Values(AreaCase{"OneMegabyte", kOneMegabyteArea, kOneMegabyteImage, 341, 1},
                      AreaCase{"FirstMain", kFirstMainArea, kTwoMegabyteImage, 330, 2},
                      AreaCase{"SecondMain", kSecondMainArea, kTwoMegabyteImage, 341, 1},
                      AreaCase{"BootLoader", kBootLoaderArea, kTwoMegabyteImage, 5, 1}),
    [](const ::testing::TestParamInfo<AreaCase>& param) { return param.param.name; });

TEST(BlockPlanTest, TailBlockOfTheOneMegabyteAreaStartsAt0xFFC00) {
  EXPECT_EQ(kOneMegabyteArea.BlockOffset(341), 0xFFC00u);
  EXPECT_EQ(kFirstMainArea.BlockOffset(330), 0xFF800u);
  EXPECT_EQ(kFirstMainArea.BlockOffset(331), 0xFFC00u);
  EXPECT_EQ(kSecondMainArea.BlockOffset(341), 0x1FFC00u);
  EXPECT_EQ(kBootLoaderArea.BlockOffset(5), 0x3C00u);
}

TEST(AreaSumTest, SumsAreModulo0x10000) {
  const std::vector<std::uint8_t> firstArea(kFirstMainArea.Length(), 0xFF);
  EXPECT_EQ(AreaSum(firstArea), 0x8000);
  const std::vector<std::uint8_t> secondArea(kSecondMainArea.Length(), 0xFF);
  EXPECT_EQ(AreaSum(secondArea), 0x0000);
  const std::vector<std::uint8_t> block(kLargeBlock, 0xFF);
  EXPECT_EQ(AreaSum(block), 0xF400);
  EXPECT_EQ(AreaSum(block, 0x0D00), 0x0100);
}

}  // namespace
}  // namespace drivesmith
