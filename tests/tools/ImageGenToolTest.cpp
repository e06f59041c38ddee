#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "image/LoaderTable.h"
#include "tests/image/TempFolder.h"
#include "tests/tools/ToolProcess.h"

namespace drivesmith {
namespace {

using testing_support::ReadBytes;
using testing_support::RunTool;
using testing_support::TempFolder;
using testing_support::ToolResult;

std::string Field(const std::vector<std::uint8_t>& image, std::uint32_t offset,
                  std::size_t length) {
  return {image.begin() + offset, image.begin() + offset + static_cast<std::ptrdiff_t>(length)};
}

class ImageGenToolTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& arguments) {
    return RunTool(DRIVESMITH_IMAGEGEN_PATH, arguments, folder_.Path().string());
  }

  TempFolder folder_;
  std::string output_ = folder_.File("image.bin");
};

TEST_F(ImageGenToolTest, TwoMegabyteDefaultsCarryTheKnownLoader) {
  const ToolResult result = Run({"--size", "2", "--seed", "9", output_});
  ASSERT_EQ(result.exitCode, 0) << result.err;

  const std::vector<std::uint8_t> image = ReadBytes(output_);
  ASSERT_EQ(image.size(), 2 * kMiB);
  EXPECT_EQ(Field(image, kLoaderIdentityOffset, 20), "ZAzizud2 ZIRIVID2.01");
  EXPECT_EQ(Field(image, kTypeCodeOffset, 6), "M7EH00");
  EXPECT_EQ(Field(image, kDescriptionOffset, 30), std::string("TAVIX   \0ZWR2040 DVD-RW  \0"
                                                              "2.10",
                                                              30));
  EXPECT_EQ(FindLoaderCode({image.data() + kLoaderIdentityOffset, 16}), kFlash2M);
}

TEST_F(ImageGenToolTest, CallerChoosesTheFieldsWithEscapes) {
  const ToolResult result =
      Run({"--size", "1", "--seed", "0x10", "--loader", "ZAzizud2 ZIRIVID", "--type-code", "X\\x01",
           "--description", "A\\0B\\\\C\\xff", output_});
  ASSERT_EQ(result.exitCode, 0) << result.err;

  const std::vector<std::uint8_t> image = ReadBytes(output_);
  EXPECT_EQ(Field(image, kLoaderIdentityOffset, 20), std::string("ZAzizud2 ZIRIVID\0\0\0\0", 20));
  EXPECT_EQ(Field(image, kTypeCodeOffset, 6), std::string("X\x01\0\0\0\0", 6));
  EXPECT_EQ(Field(image, kDescriptionOffset, 30),
            std::string("A\0B\\C\xff", 6) + std::string(24, '\0'));
}

TEST_F(ImageGenToolTest, SameSeedSameBytesOtherSeedOtherBytes) {
  const std::string again = folder_.File("again.bin");
  const std::string other = folder_.File("other.bin");
  ASSERT_EQ(Run({"--size", "2", "--seed", "77", output_}).exitCode, 0);
  ASSERT_EQ(Run({"--seed", "77", "--size", "2", again}).exitCode, 0);
  ASSERT_EQ(Run({"--size", "2", "--seed", "78", other}).exitCode, 0);

  EXPECT_EQ(ReadBytes(output_), ReadBytes(again));
  EXPECT_NE(ReadBytes(output_), ReadBytes(other));
}

TEST_F(ImageGenToolTest, RefusesWrongUsageWithoutWriting) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"--size", "3", "--seed", "1", output_},
      {"--size", "2", output_},
      {"--size", "2", "--seed", "-1", output_},
      {"--size", "2", "--seed", "12x", output_},
      {"--size", "2", "--seed", "1", "--loader", "ZAzizud2 ZIRIVID2.011", output_},
      {"--size", "2", "--seed", "1", "--description", std::string(31, 'D'), output_},
      {"--size", "2", "--seed", "1", "--colour", "red", output_},
      {"--size", "2", "--seed", "1", output_, output_ + ".second"},
      {"--size", "2", "--seed"},
  };
  for (const auto& arguments : refused) {
    std::string shown;
    for (const auto& argument : arguments) shown += argument + ' ';
    const ToolResult result = Run(arguments);
    EXPECT_NE(result.exitCode, 0) << shown;
    EXPECT_NE(result.err, "") << shown;
    EXPECT_FALSE(std::filesystem::exists(output_)) << shown;
  }
}

}  // namespace
}  // namespace drivesmith
