#include <gtest/gtest.h>

#include "app/ApplicationName.h"

namespace drivesmith {
namespace {

struct NameCase {
  const char* path;
  const char* name;
};

class ApplicationNameFromPathTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ApplicationNameFromPathTest, IsTheBaseNameWithoutTheLastExtension) {
  EXPECT_EQ(ApplicationNameFromPath(GetParam().path), GetParam().name) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Paths, ApplicationNameFromPathTest,
                         ::testing::Values(NameCase{"C:\\Tools\\Drivesmith.exe", "Drivesmith"},
                                           NameCase{"/usr/local/bin/drivesmith", "drivesmith"},
                                           NameCase{"/opt/ds/flash.tool.bin", "flash.tool"},
                                           NameCase{"/home/u/a.dir/prog", "prog"},
                                           NameCase{"/home/u/mixed\\sep/prog.x", "prog"},
                                           NameCase{"C:/mixed\\style/Prog.EXE", "Prog"},
                                           NameCase{"prog", "prog"}, NameCase{"prog.", "prog"},
                                           NameCase{"/bin/.hidden.sh", ".hidden"},
                                           NameCase{"/bin/", ""}, NameCase{"", ""}));

}  // namespace
}  // namespace drivesmith
