#include "tools/winartwork/WindowsPictureFiles.h"

#include <cstddef>

namespace drivesmith::winartwork {

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kIconDirectorySize = 6;
constexpr std::uint32_t kIconEntrySize = 16;
constexpr std::uint8_t kOpaqueFrom = 0x80;  // alpha from which the mask shows the pixel

// The standard VGA palette, 0xRRGGBB, in the order of its indexes.
constexpr std::uint32_t kSixteenColours[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

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

bool Transparent(std::uint32_t argb) { return (argb >> 24U) < kOpaqueFrom; }

// The palette index nearest to the pixel's colour; 0 (black) where the mask
// shows the background.
std::uint32_t NearestOfSixteen(std::uint32_t argb) {
  if (Transparent(argb)) return 0;
  const auto channel = [](std::uint32_t rgb, unsigned shift) {
    return static_cast<int>((rgb >> shift) & 0xFFU);
  };
  std::uint32_t nearest = 0;
  int nearestDistance = 0;
  for (std::uint32_t index = 0; index < 16; ++index) {
    int distance = 0;
    for (const unsigned shift : {16U, 8U, 0U}) {
      const int difference = channel(argb, shift) - channel(kSixteenColours[index], shift);
      distance += difference * difference;
    }
    if (index == 0 || distance < nearestDistance) {
      nearest = index;
      nearestDistance = distance;
    }
  }
  return nearest;
}

std::uint32_t BitCount(IconColours colours) { return colours == IconColours::Sixteen ? 4 : 32; }

// The icon image: the palette (16 colours only), the colour rows, then the
// AND mask (1 where transparent), the rows from the bottom up.
std::vector<std::uint8_t> EncodeIconImage(const IconImage& image) {
  const Picture& picture = image.picture;
  const std::uint32_t width = Unsigned(picture.width);
  const std::uint32_t height = Unsigned(picture.height);
  const std::uint32_t bits = BitCount(image.colours);
  const std::uint32_t colourRow = RowBytes(width * bits);
  const std::uint32_t maskRow = RowBytes(width);
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter out(bytes);
  InfoHeader(out, picture, 2 * height, bits, (colourRow + maskRow) * height);
  if (image.colours == IconColours::Sixteen) {
    for (const std::uint32_t rgb : kSixteenColours) {
      out.U32(rgb);  // B, G, R, 0 in memory
    }
  }
  for (std::uint32_t row = height; row-- > 0;) {
    if (image.colours == IconColours::TrueColourWithAlpha) {
      for (std::uint32_t x = 0; x < width; ++x) {
        out.U32(Pixel(picture, x, row));  // B, G, R, A in memory
      }
      continue;
    }
    std::vector<std::uint8_t> indexes(colourRow, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      // The first pixel of a byte in its high half.
      indexes[x / 2] = static_cast<std::uint8_t>(
          indexes[x / 2] | (NearestOfSixteen(Pixel(picture, x, row)) << (x % 2 == 0 ? 4U : 0U)));
    }
    bytes.insert(bytes.end(), indexes.begin(), indexes.end());
  }
  for (std::uint32_t row = height; row-- > 0;) {
    std::vector<std::uint8_t> mask(maskRow, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      if (Transparent(Pixel(picture, x, row))) {
        mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80U >> (x % 8)));
      }
    }
    bytes.insert(bytes.end(), mask.begin(), mask.end());
  }
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> IconFile(const std::vector<IconImage>& images) {
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const IconImage& image : images) {
    encoded.push_back(EncodeIconImage(image));
  }
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter out(bytes);
  out.U16(0);  // reserved
  out.U16(1);  // icon
  out.U16(Unsigned(static_cast<int>(images.size())));
  std::uint32_t offset =
      kIconDirectorySize + kIconEntrySize * Unsigned(static_cast<int>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const Picture& picture = images[i].picture;
    const bool sixteen = images[i].colours == IconColours::Sixteen;
    out.U8(Unsigned(picture.width) & 0xFFU);  // 256 is written as 0
    out.U8(Unsigned(picture.height) & 0xFFU);
    out.U8(sixteen ? 16 : 0);  // colours in the palette
    out.U8(0);
    out.U16(1);  // planes
    out.U16(BitCount(images[i].colours));
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
