// The boot loader's version from its four revision bytes, read as strtod in
// the "C" locale reads a number, whatever the process locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/image/TempFolder.h"
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
                                           VersionCase{"    ", 0.0}, VersionCase{" 2.5", 2.5},
                                           VersionCase{"2.0a", 2.0}, VersionCase{"2,01", 2.0},
                                           VersionCase{"abcd", 0.0}, VersionCase{"-1.5", -1.5},
                                           VersionCase{"1e2x", 100.0}, VersionCase{"0x1A", 26.0},
                                           VersionCase{"\0"
                                                       "2.0",
                                                       0.0},
                                           VersionCase{"2\0"
                                                       "99",
                                                       2.0}));

// A GUI may switch the process to a locale with a decimal comma, where
// strtod would stop at the '.'. The locale is built for the test when the
// system has none installed.
TEST(LoaderVersionSpecialTest, ProcessLocaleWithDecimalCommaDoesNotMatter) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  const char* const previousPath = std::getenv("LOCPATH");
  const std::string savedPath = previousPath != nullptr ? previousPath : "";
  testing_support::TempFolder folder;
  bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  if (!switched) {
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + folder.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      ::setenv("LOCPATH", folder.Path().c_str(), 1);
      switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
  }
  if (switched) {
    EXPECT_EQ(std::strtod("2,5", nullptr), 2.5);  // the locale took effect
  }
  EXPECT_EQ(Parse("2.01"), 2.01);
  EXPECT_EQ(Parse("2,01"), 2.0);
  std::setlocale(LC_NUMERIC, previous.c_str());
  if (previousPath != nullptr) {
    ::setenv("LOCPATH", savedPath.c_str(), 1);
  } else {
    ::unsetenv("LOCPATH");
  }
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma can be had";
}

}  // namespace
}  // namespace drivesmith
