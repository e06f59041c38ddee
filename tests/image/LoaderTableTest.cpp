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

TEST(FindLoaderCode, IdentityFollowedByAnythingIsTheTwoMegabyteLayout) {
  EXPECT_EQ(FindLoaderCode(Field(kTwoMegabyteLoader)), std::optional<FlashSizeCode>(kFlash2M));
  EXPECT_EQ(FindLoaderCode(Field(std::string(kTwoMegabyteLoader) + "2.01")), kFlash2M);
  EXPECT_EQ(FindLoaderCode(Field(std::string(kTwoMegabyteLoader) + "\xFF\x00garbage", 40)),
            kFlash2M);
}

TEST(FindLoaderCode, CaseZeroBytesPrefixesAndOtherLoadersHaveNoMatch) {
  for (const char* other :
       {"zazizud2 zirivid", "ZAZIZUD2 ZIRIVID", "TAVIX LOADER 1M ", " ZAzizud2 ZIRIVI"}) {
    EXPECT_EQ(FindLoaderCode(Field(other)), std::nullopt) << other;
  }
  EXPECT_EQ(FindLoaderCode(std::vector<std::uint8_t>(16, 0)), std::nullopt);
  // The first fifteen characters with any other sixteenth byte.
  for (int last = 0; last < 256; ++last) {
    std::vector<std::uint8_t> field = Field(std::string(kTwoMegabyteLoader, 15));
    field[15] = static_cast<std::uint8_t>(last);
    if (last != kTwoMegabyteLoader[15]) {
      EXPECT_EQ(FindLoaderCode(field), std::nullopt) << last;
    }
  }
  const std::vector<std::uint8_t> field = Field(kTwoMegabyteLoader);
  EXPECT_EQ(FindLoaderCode(std::span<const std::uint8_t>(field.data(), 15)), std::nullopt);
  EXPECT_EQ(FindLoaderCode(std::span<const std::uint8_t>()), std::nullopt);
}

}  // namespace
}  // namespace drivesmith
