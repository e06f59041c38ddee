#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tools/imagegen/SyntheticImage.h"

namespace drivesmith {
namespace {

TEST(SyntheticImage, RefusalLeavesTheCallersBytesAlone) {
  SyntheticImageOptions options;
  options.typeCode = "TOOLONG";
  std::vector<std::uint8_t> image{1, 2, 3};
  std::string error;
  EXPECT_FALSE(BuildSyntheticImage(options, image, error));
  EXPECT_EQ(image, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_NE(error, "");
}

struct EscapeCase {
  std::string text;
  bool valid;
  std::string bytes;
};

class TextEscapesTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TextEscapesTest, DecodesOrRefuses) {
  std::string bytes = "unchanged";
  std::string error;
  EXPECT_EQ(DecodeTextEscapes(GetParam().text, bytes, error), GetParam().valid);
  EXPECT_EQ(bytes, GetParam().valid ? GetParam().bytes : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, TextEscapesTest,
    ::testing::Values(EscapeCase{"plain", true, "plain"}, EscapeCase{"", true, ""},
                      EscapeCase{"a\\0b", true, std::string("a\0b", 3)},
                      EscapeCase{"\\x7F\\xff\\x00", true, std::string("\x7F\xFF\0", 3)},
                      EscapeCase{"\\\\0", true, "\\0"}, EscapeCase{"end\\", false, ""},
                      EscapeCase{"\\x4", false, ""}, EscapeCase{"\\xG0", false, ""},
                      EscapeCase{"\\n", false, ""}));

}  // namespace
}  // namespace drivesmith
