#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/ProgramFilePath.h"

namespace drivesmith {
namespace {

TEST(ProgramFilePath, NamesThisTestProgram) {
  const std::string path = ProgramFilePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe", error)) << path;
  EXPECT_FALSE(error) << error.message();
}

}  // namespace
}  // namespace drivesmith
