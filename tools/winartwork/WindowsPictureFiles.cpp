#include "tools/winartwork/WindowsPictureFiles.h"

#include <cstddef>

namespace drivesmith::winartwork {

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kIconDirectorySize = 6;
constexpr std::uint32_t kIconEntrySize = 16;
constexpr std::uint8_t kOpaqueFrom = 0x80;  // alpha from which the mask shows the pixel

class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::uint32_t value) { out_.push_back(static_cast<std::uint8_t>(value & 0xFFU)); }
  void U16(std::uint32_t value) {
    U8(value);
    U8(value >> 8U);
  }
  void U32(std::uint32_t value) {
    U16(value & 0xFFFFU);
    U16(value >> 16U);
  }

 private:
  std::vector<std::uint8_t>& out_;
};

std::uint32_t Unsigned(int value) { return static_cast<std::uint32_t>(value); }

std::uint32_t RowBytes(std::uint32_t bits) { return ((bits + 31U) / 32U) * 4U; }

std::uint32_t Pixel(const Picture& picture, std::uint32_t x, std::uint32_t y) {
  return picture.pixels[static_cast<std::size_t>(y) * Unsigned(picture.width) + x];
}

void InfoHeader(LittleEndianWriter& out, const Picture& picture, std::uint32_t heightField,
                std::uint32_t bitCount, std::uint32_t imageBytes) {
  out.U32(kInfoHeaderSize);
  out.U32(Unsigned(picture.width));
  out.U32(heightField);
  out.U16(1);  // planes
  out.U16(bitCount);
  out.U32(0);  // uncompressed
  out.U32(imageBytes);
  out.U32(0);
  out.U32(0);
  out.U32(0);
  out.U32(0);
}

// The icon image: the colour rows, then the AND mask (1 where transparent),
// both from the bottom row up.
std::vector<std::uint8_t> IconImage(const Picture& picture) {
  const std::uint32_t width = Unsigned(picture.width);
  const std::uint32_t height = Unsigned(picture.height);
  const std::uint32_t maskRow = RowBytes(width);
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter out(bytes);
  InfoHeader(out, picture, 2 * height, 32, (width * 4 + maskRow) * height);
  for (std::uint32_t row = height; row-- > 0;) {
    for (std::uint32_t x = 0; x < width; ++x) {
      out.U32(Pixel(picture, x, row));  // B, G, R, A in memory
    }
  }
  for (std::uint32_t row = height; row-- > 0;) {
    std::vector<std::uint8_t> mask(maskRow, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      if ((Pixel(picture, x, row) >> 24U) < kOpaqueFrom) {
        mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80U >> (x % 8)));
      }
    }
    bytes.insert(bytes.end(), mask.begin(), mask.end());
  }
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> IconFile(const std::vector<Picture>& images) {
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const Picture& image : images) {
    encoded.push_back(IconImage(image));
  }
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter out(bytes);
  out.U16(0);  // reserved
  out.U16(1);  // icon
  out.U16(Unsigned(static_cast<int>(images.size())));
  std::uint32_t offset =
      kIconDirectorySize + kIconEntrySize * Unsigned(static_cast<int>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.U8(Unsigned(images[i].width) & 0xFFU);  // 256 is written as 0
    out.U8(Unsigned(images[i].height) & 0xFFU);
    out.U8(0);  // no palette
    out.U8(0);
    out.U16(1);   // planes
    out.U16(32);  // bits per pixel
    out.U32(Unsigned(static_cast<int>(encoded[i].size())));
    out.U32(offset);
    offset += Unsigned(static_cast<int>(encoded[i].size()));
  }
  for (const auto& image : encoded) {
    bytes.insert(bytes.end(), image.begin(), image.end());
  }
  return bytes;
}

std::vector<std::uint8_t> BitmapFile(const Picture& picture) {
  const std::uint32_t width = Unsigned(picture.width);
  const std::uint32_t height = Unsigned(picture.height);
  const std::uint32_t rowBytes = RowBytes(width * 24);
  const std::uint32_t imageBytes = rowBytes * height;
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter out(bytes);
  out.U8('B');
  out.U8('M');
  out.U32(kFileHeaderSize + kInfoHeaderSize + imageBytes);
  out.U32(0);  // reserved
  out.U32(kFileHeaderSize + kInfoHeaderSize);
  InfoHeader(out, picture, height, 24, imageBytes);
  for (std::uint32_t row = height; row-- > 0;) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t argb = Pixel(picture, x, row);
      out.U8(argb);
      out.U8(argb >> 8U);
      out.U8(argb >> 16U);
    }
    for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) {
      out.U8(0);
    }
  }
  return bytes;
}

}  // namespace drivesmith::winartwork
