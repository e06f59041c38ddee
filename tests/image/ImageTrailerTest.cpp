#include <gtest/gtest.h>

#include "image/FirmwareImage.h"

namespace drivesmith {
namespace {

struct TrailerCase {
  std::array<std::uint8_t, kTrailerLength> bytes;
  std::uint32_t imageOffset;
  std::uint32_t imageSizeMiB;
};

class ImageTrailerTest : public ::testing::TestWithParam<TrailerCase> {};

TEST_P(ImageTrailerTest, DecodesBigEndianOffsetAndSize) {
  const ImageTrailer trailer = ImageTrailer::Decode(GetParam().bytes);
  EXPECT_EQ(trailer.ImageOffset, GetParam().imageOffset);
  EXPECT_EQ(trailer.ImageSizeMiB, GetParam().imageSizeMiB);
}

TEST_P(ImageTrailerTest, EncodesBackToTheSameBytes) {
  ImageTrailer trailer;
  trailer.ImageOffset = GetParam().imageOffset;
  trailer.ImageSizeMiB = GetParam().imageSizeMiB;
  EXPECT_EQ(trailer.Encode(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Trailers, ImageTrailerTest,
                         ::testing::Values(TrailerCase{{0x02, 0xC0, 0x00, 0x02}, 0x2C000, 2},
                                           TrailerCase{{0x00, 0x01, 0x00, 0x01}, 256, 1},
                                           TrailerCase{{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFF, 255},
                                           TrailerCase{{0x12, 0x34, 0x56, 0x78}, 0x123456, 0x78}));

}  // namespace
}  // namespace drivesmith
