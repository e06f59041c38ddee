#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/LoaderTable.h"

namespace drivesmith {
namespace {

constexpr char kTwoMegabyteLoader[] = "ZAzizud2 ZIRIVID";

std::vector<std::uint8_t> Field(const std::string& text, std::size_t length = 16) {
  std::vector<std::uint8_t> field(std::max(length, text.size()), 0);
  std::memcpy(field.data(), text.data(), text.size());
  return field;
}

TEST(LoaderTable, HoldsOneRowThenTheEnd) {
  ASSERT_NE(LoaderTable[0].name, nullptr);
  EXPECT_STREQ(LoaderTable[0].name, kTwoMegabyteLoader);
  EXPECT_EQ(LoaderTable[0].code, kFlash2M);
  EXPECT_EQ(LoaderTable[1].name, nullptr);
}

TEST(FindLoaderCode, ExactIdentityIsTheTwoMegabyteLayout) {
  EXPECT_EQ(FindLoaderCode(Field(kTwoMegabyteLoader)), std::optional<FlashSizeCode>(kFlash2M));
}

TEST(FindLoaderCode, BytesAfterTheNameAreIgnored) {
  EXPECT_EQ(FindLoaderCode(Field(std::string(kTwoMegabyteLoader) + "2.01")), kFlash2M);
  EXPECT_EQ(FindLoaderCode(Field(std::string(kTwoMegabyteLoader) + "\xFF\x00garbage", 40)),
            kFlash2M);
}

TEST(FindLoaderCode, CaseMatters) {
  EXPECT_EQ(FindLoaderCode(Field("zazizud2 zirivid")), std::nullopt);
  EXPECT_EQ(FindLoaderCode(Field("ZAZIZUD2 ZIRIVID")), std::nullopt);
}

TEST(FindLoaderCode, OnlyTheLastLetterCompletesTheName) {
  const std::string prefix(kTwoMegabyteLoader, 15);
  for (int last = 0; last < 256; ++last) {
    std::vector<std::uint8_t> field = Field(prefix);
    field[15] = static_cast<std::uint8_t>(last);
    const auto expected = last == kTwoMegabyteLoader[15] ? std::optional<FlashSizeCode>(kFlash2M)
                                                         : std::nullopt;
    EXPECT_EQ(FindLoaderCode(field), expected) << "last byte " << last;
  }
}

TEST(FindLoaderCode, ZeroBytesAndOtherLoadersHaveNoMatch) {
  EXPECT_EQ(FindLoaderCode(std::vector<std::uint8_t>(16, 0)), std::nullopt);
  EXPECT_EQ(FindLoaderCode(Field("TAVIX LOADER 1M ")), std::nullopt);
  EXPECT_EQ(FindLoaderCode(Field(" ZAzizud2 ZIRIVI")), std::nullopt);
}

TEST(FindLoaderCode, FieldShorterThanTheNameNeverMatches) {
  const std::vector<std::uint8_t> field = Field(kTwoMegabyteLoader);
  EXPECT_EQ(FindLoaderCode(std::span<const std::uint8_t>(field.data(), 15)), std::nullopt);
  EXPECT_EQ(FindLoaderCode(std::span<const std::uint8_t>()), std::nullopt);
}

}  // namespace
}  // namespace drivesmith
