#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/FirmwareImage.h"
#include "tests/image/FirmwareFiles.h"

namespace drivesmith {
namespace {

using testing_support::PackedProgramFile;
using testing_support::RawProgramFile;
using testing_support::TempFolder;

const std::string kDefaultInformation = "TAVIX    ZWR2040 DVD-RW   2.10";
const std::array<std::uint8_t, 6> kNoTypeCode{};

std::array<std::uint8_t, 6> TypeCode(const char (&text)[7]) {
  std::array<std::uint8_t, 6> code{};
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(text[i]);
  return code;
}

SyntheticImageOptions ImageOptions(unsigned sizeMiB) {
  SyntheticImageOptions options;
  options.sizeMiB = sizeMiB;
  options.seed = 42;
  return options;
}

class ReadImageHeaderTest : public ::testing::Test {
 protected:
  // Reads the header of the file at `path` into `image_`.
  void ReadHeaderOf(const std::string& path) {
    DiskProgramFile file(path);
    image_.ReadImageHeader(file);
  }

  TempFolder folder_;
  FirmwareImage image_;
};

TEST_F(ReadImageHeaderTest, ShippedLayoutOfTheTwoMegabyteLoader) {
  const std::string path = PackedProgramFile(folder_, "program", 0x2C000, ImageOptions(2));
  EXPECT_EQ(std::filesystem::file_size(path), 0x22C004u);

  ReadHeaderOf(path);

  EXPECT_EQ(image_.Trailer().ImageOffset, 0x2C000u);
  EXPECT_EQ(image_.Trailer().ImageSizeMiB, 2u);
  EXPECT_EQ(image_.Header().TypeCode, TypeCode("M7EH00"));
  EXPECT_EQ(image_.Header().Information, kDefaultInformation);
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash2M);
}

TEST_F(ReadImageHeaderTest, OtherLoaderIsTheOneMegabyteLayout) {
  const std::string path = PackedProgramFile(folder_, "program", 256, ImageOptions(1));

  ReadHeaderOf(path);

  EXPECT_EQ(image_.Trailer().ImageOffset, 256u);
  EXPECT_EQ(image_.Trailer().ImageSizeMiB, 1u);
  EXPECT_EQ(image_.Header().Information, kDefaultInformation);
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash1M);
}

TEST_F(ReadImageHeaderTest, UnshowableDescriptionBytesBecomeBlanks) {
  for (int first = 0; first < 256; first += static_cast<int>(kDescriptionLength)) {
    std::string description;
    std::string expected;
    for (int value = first; value < first + static_cast<int>(kDescriptionLength); ++value) {
      const auto byte = static_cast<std::uint8_t>(value % 256);
      description.push_back(static_cast<char>(byte));
      expected.push_back(byte < 0x20 || byte > 0x7F ? ' ' : static_cast<char>(byte));
    }
    SyntheticImageOptions options = ImageOptions(1);
    options.description = description;

    ReadHeaderOf(PackedProgramFile(folder_, "program", 32, options));

    EXPECT_EQ(image_.Header().Information.size(), kDescriptionLength);
    EXPECT_EQ(image_.Header().Information, expected) << "bytes from " << first;
  }
}

TEST_F(ReadImageHeaderTest, EmptyPathReadsNothingAndKeepsTheInformation) {
  ReadHeaderOf(PackedProgramFile(folder_, "program", 0x2C000, ImageOptions(2)));
  ASSERT_EQ(image_.Header().imageFlashSizeCode, kFlash2M);

  ReadHeaderOf("");

  EXPECT_EQ(image_.Header().Information, kDefaultInformation);
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash1M);
  EXPECT_EQ(image_.Trailer().ImageOffset, 0x2C000u);
}

TEST_F(ReadImageHeaderTest, MissingFileGivesEmptyInformationAndNoTypeCode) {
  ReadHeaderOf(PackedProgramFile(folder_, "program", 0x2C000, ImageOptions(2)));

  ReadHeaderOf(folder_.File("missing"));

  EXPECT_EQ(image_.Header().Information, "");
  EXPECT_EQ(image_.Header().TypeCode, kNoTypeCode);
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash1M);
  EXPECT_EQ(image_.Trailer().ImageOffset, 0u);
  EXPECT_EQ(image_.Trailer().ImageSizeMiB, 0u);
}

TEST_F(ReadImageHeaderTest, OffsetPastTheEndGivesBlanksAndNoLoader) {
  ReadHeaderOf(PackedProgramFile(folder_, "program", 0x2C000, ImageOptions(2)));

  ReadHeaderOf(RawProgramFile(folder_, "short", std::vector<std::uint8_t>(100, 'A'),
                              {0xFF, 0xFF, 0xFF, 0x02}));

  EXPECT_EQ(image_.Trailer().ImageOffset, 0xFFFFFFu);
  EXPECT_EQ(image_.Header().Information, std::string(kDescriptionLength, ' '));
  EXPECT_EQ(image_.Header().TypeCode, kNoTypeCode);
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash1M);
}

TEST_F(ReadImageHeaderTest, DescriptionCutShortByTheEndOfTheFile) {
  // The file ends six bytes into the Description; the trailer follows.
  const std::string visible = "M7EH00ABCDEF";
  std::vector<std::uint8_t> body(kTypeCodeOffset + visible.size(), 0);
  for (std::size_t i = 0; i < visible.size(); ++i)
    body[kTypeCodeOffset + i] = static_cast<std::uint8_t>(visible[i]);
  ReadHeaderOf(RawProgramFile(folder_, "cut", body, {0x00, 0x00, 0x00, 0x01}));

  EXPECT_EQ(image_.Header().TypeCode, TypeCode("M7EH00"));
  EXPECT_EQ(image_.Header().Information, "ABCDEF" + std::string(24, ' '));
}

TEST_F(ReadImageHeaderTest, FileShorterThanATrailer) {
  const std::string path = folder_.File("tiny");
  testing_support::WriteBytes(path, {0x01, 0x02});

  ReadHeaderOf(path);

  EXPECT_EQ(image_.Trailer().ImageOffset, 0u);
  EXPECT_EQ(image_.Trailer().ImageSizeMiB, 0u);
  EXPECT_EQ(image_.Header().Information, std::string(kDescriptionLength, ' '));
  EXPECT_EQ(image_.Header().imageFlashSizeCode, kFlash1M);
}

}  // namespace
}  // namespace drivesmith
