// The boot loader's version from its four revision bytes, read as strtod in
// the "C" locale reads a number, whatever the process locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

#include "update/LoaderVersion.h"

namespace drivesmith {
namespace {

double Parse(const char (&text)[5]) {
  std::array<std::uint8_t, kRevisionLength> bytes{};
  std::memcpy(bytes.data(), text, kRevisionLength);
  return ParseLoaderVersion(bytes);
}

struct VersionCase {
  const char text[5];
  double expected;
};

class LoaderVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(LoaderVersionTest, ReadsTheLeadingNumber) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(Parse(c.text), c.expected) << '"' << std::string(c.text, 4) << '"';
}

INSTANTIATE_TEST_SUITE_P(Revisions, LoaderVersionTest,
                         ::testing::Values(VersionCase{"2.01", 2.01}, VersionCase{"2.00", 2.0},
                                           VersionCase{"1.10", 1.1}, VersionCase{"    ", 0.0},
                                           VersionCase{" 2.5", 2.5}, VersionCase{"\t\n3.", 3.0},
                                           VersionCase{"2.0a", 2.0}, VersionCase{"2,01", 2.0},
                                           VersionCase{"abcd", 0.0}, VersionCase{".5  ", 0.5},
                                           VersionCase{"+1.5", 1.5}, VersionCase{"-1.5", -1.5},
                                           VersionCase{"--1.", 0.0}, VersionCase{"+ 1.", 0.0},
                                           VersionCase{"1e2x", 100.0}, VersionCase{"1e+x", 1.0},
                                           VersionCase{"0x1A", 26.0}, VersionCase{"0x  ", 0.0},
                                           VersionCase{"\0" "2.0", 0.0}, VersionCase{"2\0" "99", 2.0}));

TEST(LoaderVersionSpecialTest, InfinityAndNanAsStrtodReadsThem) {
  EXPECT_TRUE(std::isinf(Parse("inf ")));
  EXPECT_TRUE(std::isnan(Parse("nan ")));
}

TEST(LoaderVersionSpecialTest, ProcessLocaleWithDecimalCommaDoesNotMatter) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  EXPECT_EQ(Parse("2.01"), 2.01);
  EXPECT_EQ(Parse("2,01"), 2.0);
  std::setlocale(LC_NUMERIC, previous.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
}

}  // namespace
}  // namespace drivesmith
