#pragma once
// The byte layouts of Windows picture resources: an icon file (.ico) with
// 16-colour and 32-bit images and their transparency masks, and a 24-bit
// bitmap file (.bmp). Pixels come in as rows from the top, 0xAARRGGBB, not
// premultiplied.

#include <cstdint>
#include <vector>

namespace drivesmith::winartwork {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // width * height, top row first
};

// How an icon image keeps its colours: 4 bits a pixel on the 16 colours of
// the standard VGA palette (the icons of Windows 95 and NT 4.0, which show
// no other kind right), or 32 bits a pixel with alpha.
enum class IconColours { Sixteen, TrueColourWithAlpha };

struct IconImage {
  Picture picture;
  IconColours colours = IconColours::TrueColourWithAlpha;
};

// An icon file holding `images` in the given order (each at most 256 pixels
// square).
std::vector<std::uint8_t> IconFile(const std::vector<IconImage>& images);

// A bottom-up 24-bit bitmap file; alpha is ignored.
std::vector<std::uint8_t> BitmapFile(const Picture& picture);

}  // namespace drivesmith::winartwork
