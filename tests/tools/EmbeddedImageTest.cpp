#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/FirmwareImage.h"
#include "tests/image/TempFolder.h"
#include "tests/tools/ToolProcess.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;

// The build appends a synthetic image to a small program, the way a shipped
// program file carries its image.
TEST(EmbeddedImage, PackedProgramStillRunsAndCarriesItsImage) {
  const std::string packed = DRIVESMITH_PACKED_PROGRAM_PATH;
  const std::uintmax_t programLength = fs::file_size(DRIVESMITH_TINY_PROGRAM_PATH);
  ASSERT_EQ(fs::file_size(packed), programLength + 2 * kMiB + kTrailerLength);

  testing_support::TempFolder folder;
  EXPECT_EQ(testing_support::RunTool(packed, {}, folder.Path().string()).exitCode, 0);

  DiskProgramFile file(packed);
  FirmwareImage image;
  image.ReadImageHeader(file);
  EXPECT_EQ(image.Trailer().ImageOffset, programLength);
  EXPECT_EQ(image.Trailer().ImageSizeMiB, 2u);
  EXPECT_EQ(image.Header().Information, "TINY     PACKED PROGRAM   1.00");
  EXPECT_EQ(image.Header().imageFlashSizeCode, kFlash2M);
  std::string failure;
  EXPECT_EQ(image.LoadFirmwareImage(file, packed, failure), 1);
}

}  // namespace
}  // namespace drivesmith
