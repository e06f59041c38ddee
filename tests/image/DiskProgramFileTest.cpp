#include <gtest/gtest.h>

#include "image/ProgramFile.h"
#include "tests/image/TempFolder.h"

namespace drivesmith {
namespace {

using testing_support::TempFolder;

class DiskProgramFileTest : public ::testing::Test {
 protected:
  DiskProgramFileTest() { testing_support::WriteBytes(path_, {'0', '1', '2', '3', '4', '5'}); }

  TempFolder folder_;
  std::string path_ = folder_.File("six");
  DiskProgramFile file_{path_};
  std::string failure_;
};

TEST_F(DiskProgramFileTest, ReadsSeeksAndReportsTheLength) {
  auto opened = file_.Open(path_, failure_);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->QueryLength(), std::optional<std::uint64_t>(6));

  std::uint8_t bytes[4] = {};
  ASSERT_TRUE(opened->SeekFromEnd(-4));
  EXPECT_EQ(opened->Read(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, bytes + 4), "2345");

  ASSERT_TRUE(opened->SeekFromStart(1));
  EXPECT_EQ(opened->Read(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, bytes + 4), "1234");
  EXPECT_EQ(opened->Read(bytes, 4), 1u);
}

TEST_F(DiskProgramFileTest, SeekPastTheEndIsAllowedButReadsNothing) {
  auto opened = file_.Open(path_, failure_);
  ASSERT_NE(opened, nullptr);
  std::uint8_t bytes[4] = {0xEE, 0xEE, 0xEE, 0xEE};

  ASSERT_TRUE(opened->SeekFromStart(0xFFFFFF + 0x8004));
  EXPECT_EQ(opened->Read(bytes, sizeof bytes), 0u);
  EXPECT_EQ(bytes[0], 0xEE);
}

TEST_F(DiskProgramFileTest, SeekBeforeTheStartFails) {
  auto opened = file_.Open(path_, failure_);
  ASSERT_NE(opened, nullptr);
  EXPECT_FALSE(opened->SeekFromEnd(-7));
}

TEST_F(DiskProgramFileTest, FailedOpenNamesTheFileAndTheCause) {
  const std::string missing = folder_.File("missing");
  EXPECT_EQ(file_.Open(missing, failure_), nullptr);
  EXPECT_EQ(failure_, "Cannot open file \"" + missing + "\": No such file or directory.");
}

}  // namespace
}  // namespace drivesmith
