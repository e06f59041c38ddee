#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/image/FirmwareFiles.h"
#include "tests/image/MemoryProgramFile.h"

namespace drivesmith {
namespace {

using testing_support::MemoryProgramFile;
using testing_support::PackedProgramFile;
using testing_support::RawProgramFile;
using testing_support::TempFolder;

SyntheticImageOptions ImageOptions(unsigned sizeMiB, std::uint64_t seed = 5) {
  SyntheticImageOptions options;
  options.sizeMiB = sizeMiB;
  options.seed = seed;
  return options;
}

class LoadFirmwareImageTest : public ::testing::Test {
 protected:
  // Reads the header of `path`, then loads the image from the same path.
  int ReadAndLoad(const std::string& path) {
    DiskProgramFile file(path);
    image_.ReadImageHeader(file);
    return image_.LoadFirmwareImage(file, path, failure_);
  }

  void ExpectNoImage() const {
    EXPECT_EQ(image_.Data(), nullptr);
    EXPECT_EQ(image_.Length(), 0u);
  }

  TempFolder folder_;
  FirmwareImage image_;
  std::string failure_;
};

TEST_F(LoadFirmwareImageTest, LoadsTheWholeImageFromItsOffset) {
  struct Case {
    std::size_t programLength;
    unsigned sizeMiB;
  };
  for (const Case c : {Case{0x2C000, 2}, Case{256, 1}, Case{0, 1}}) {
    std::vector<std::uint8_t> expected;
    const std::string path =
        PackedProgramFile(folder_, "program", c.programLength, ImageOptions(c.sizeMiB), &expected);

    ASSERT_EQ(ReadAndLoad(path), 1) << "program of " << c.programLength << " bytes";

    ASSERT_NE(image_.Data(), nullptr);
    ASSERT_EQ(image_.Length(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image_.Data()));
    EXPECT_EQ(failure_, "");
  }
}

TEST_F(LoadFirmwareImageTest, MissingFileReportsTheFileAndTheCause) {
  const std::string path = PackedProgramFile(folder_, "program", 256, ImageOptions(1));
  DiskProgramFile file(path);
  image_.ReadImageHeader(file);
  const std::string missing = folder_.File("gone");

  EXPECT_EQ(image_.LoadFirmwareImage(file, missing, failure_), 0);

  EXPECT_EQ(failure_, "Cannot open file \"" + missing + "\": No such file or directory.");
  ExpectNoImage();
}

TEST_F(LoadFirmwareImageTest, ZeroImageSizeFailsAfterTheHeaderWasRead) {
  std::vector<std::uint8_t> body(0x9000, 0);
  body[kTypeCodeOffset] = 'M';
  const std::string path = RawProgramFile(folder_, "empty-image", body, {0x00, 0x00, 0x00, 0x00});

  EXPECT_EQ(ReadAndLoad(path), 0);

  EXPECT_EQ(image_.Header().TypeCode[0], 'M');
  EXPECT_EQ(image_.Header().Information.size(), kDescriptionLength);
  EXPECT_EQ(failure_, "");
  ExpectNoImage();
}

TEST_F(LoadFirmwareImageTest, TrailerClaimingMoreThanTheFileHoldsFailsCleanly) {
  struct Case {
    const char* name;
    std::array<std::uint8_t, kTrailerLength> trailer;
  };
  // 255 MiB would need a 267 MB buffer; the file holds 1 MiB and a bit.
  const Case cases[] = {{"huge image", {0x00, 0x01, 0x00, 0xFF}},
                        {"offset past the end", {0xFF, 0xFF, 0xFF, 0x01}},
                        {"one byte missing", {0x00, 0x01, 0x01, 0x01}}};
  for (const Case& c : cases) {
    const std::string path =
        RawProgramFile(folder_, c.name, std::vector<std::uint8_t>(256 + kMiB - 4, 0x5A), c.trailer);

    EXPECT_EQ(ReadAndLoad(path), 0) << c.name;

    EXPECT_EQ(failure_, "") << c.name;
    ExpectNoImage();
  }
}

TEST_F(LoadFirmwareImageTest, ImageEndingAtTheLastByteLoads) {
  // The trailer's own bytes are the last image bytes: the program trusts it.
  std::vector<std::uint8_t> body(256 + kMiB - 4, 0x5A);
  const std::string path = RawProgramFile(folder_, "exact", body, {0x00, 0x01, 0x00, 0x01});

  ASSERT_EQ(ReadAndLoad(path), 1);

  EXPECT_EQ(image_.Length(), kMiB);
  EXPECT_EQ(image_.Data()[kMiB - 1], 0x01);
}

TEST_F(LoadFirmwareImageTest, FailedLoadAfterASuccessLeavesNoImage) {
  const std::string path = PackedProgramFile(folder_, "program", 256, ImageOptions(1));
  ASSERT_EQ(ReadAndLoad(path), 1);

  DiskProgramFile file(path);
  EXPECT_EQ(image_.LoadFirmwareImage(file, folder_.File("gone"), failure_), 0);

  ExpectNoImage();
}

TEST_F(LoadFirmwareImageTest, LoadWithoutAHeaderFails) {
  const std::string path = PackedProgramFile(folder_, "program", 256, ImageOptions(1));
  DiskProgramFile file(path);
  EXPECT_EQ(image_.LoadFirmwareImage(file, path, failure_), 0);
  ExpectNoImage();
}

// Failures a real file cannot show, on a file held in memory.
class LoadFromMemoryTest : public ::testing::Test {
 protected:
  LoadFromMemoryTest() : file_(Bytes()) { image_.ReadImageHeader(file_); }

  static std::vector<std::uint8_t> Bytes() {
    std::vector<std::uint8_t> bytes(16 + kMiB, 0xA5);
    const std::array<std::uint8_t, kTrailerLength> trailer{0x00, 0x00, 0x10, 0x01};
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    return bytes;
  }

  int Load() {
    file_.log = {};
    return image_.LoadFirmwareImage(file_, file_.Path(), failure_);
  }

  MemoryProgramFile file_;
  FirmwareImage image_;
  std::string failure_;
};

TEST_F(LoadFromMemoryTest, FailedOpenStopsBeforeTheStatusQuery) {
  file_.behaviour.failOpen = true;
  file_.behaviour.failStatus = true;

  EXPECT_EQ(Load(), 0);

  EXPECT_EQ(file_.log.statusQueries, 0);
  EXPECT_EQ(failure_, "Cannot open file \"/memory/program\": Permission denied.");
}

TEST_F(LoadFromMemoryTest, FailedStatusQueryStopsBeforeReading) {
  file_.behaviour.failStatus = true;

  EXPECT_EQ(Load(), 0);

  EXPECT_EQ(file_.log.statusQueries, 1);
  EXPECT_EQ(file_.log.seeks, 0);
  EXPECT_EQ(file_.log.reads, 0);
  EXPECT_EQ(failure_, "");
  EXPECT_EQ(image_.Data(), nullptr);
}

TEST_F(LoadFromMemoryTest, ShortReadIsAFailedLoadWithNoImage) {
  file_.behaviour.readLimit = kMiB - 1;

  EXPECT_EQ(Load(), 0);

  EXPECT_EQ(file_.log.reads, 1);
  EXPECT_EQ(image_.Data(), nullptr);
  EXPECT_EQ(image_.Length(), 0u);
}

TEST(LoadBeyondTheFile, ClaimLargerThanTheFileIsRefusedBeforeAnyRead) {
  // 255 MiB claimed by a file of a few bytes: the check comes before the
  // buffer is allocated and before anything is read.
  MemoryProgramFile file(std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0xFF});
  FirmwareImage image;
  image.ReadImageHeader(file);
  ASSERT_EQ(image.Trailer().ImageSizeMiB, 255u);
  file.log = {};
  std::string failure;

  EXPECT_EQ(image.LoadFirmwareImage(file, file.Path(), failure), 0);

  EXPECT_EQ(file.log.seeks, 0);
  EXPECT_EQ(file.log.reads, 0);
  EXPECT_EQ(image.Data(), nullptr);
}

TEST(LoadFromEmptyFile, ZeroFileLengthFailsWithoutReading) {
  // The trailer was read from a file that is empty by the time of the load.
  MemoryProgramFile withTrailer(std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x01});
  FirmwareImage image;
  image.ReadImageHeader(withTrailer);
  ASSERT_EQ(image.Trailer().ImageSizeMiB, 1u);
  MemoryProgramFile empty(std::vector<std::uint8_t>{});
  std::string failure;

  EXPECT_EQ(image.LoadFirmwareImage(empty, empty.Path(), failure), 0);

  EXPECT_EQ(empty.log.statusQueries, 1);
  EXPECT_EQ(empty.log.reads, 0);
  EXPECT_EQ(image.Data(), nullptr);
}

}  // namespace
}  // namespace drivesmith
