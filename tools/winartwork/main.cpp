// drivesmith-winartwork: draws the Windows program's icon and logo with the
// same code that draws them in the Linux window, and writes them in the
// formats the resource compiler reads.
// Usage: drivesmith-winartwork ICON-FILE BITMAP-FILE
// The icon file holds the 32 x 32 and the 16 x 16 image, each in 16 colours
// (for the Windows 9x family and NT 4.0) and in 32 bits with alpha; the
// bitmap is the 111 x 55 logo in 24-bit colour.

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/linux/QtArtwork.h"
#include "tools/winartwork/WindowsPictureFiles.h"

namespace {

drivesmith::winartwork::Picture ToPicture(const QImage& drawn) {
  const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
  drivesmith::winartwork::Picture picture;
  picture.width = image.width();
  picture.height = image.height();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      picture.pixels.push_back(static_cast<std::uint32_t>(image.pixel(x, y)));
    }
  }
  return picture;
}

bool Write(const std::vector<std::uint8_t>& bytes, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "drivesmith-winartwork: cannot write " << path << '\n';
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: drivesmith-winartwork ICON-FILE BITMAP-FILE\n";
    return 2;
  }
  // Drawing needs no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  using namespace drivesmith::winartwork;
  std::vector<IconImage> icons;
  for (const IconColours colours : {IconColours::Sixteen, IconColours::TrueColourWithAlpha}) {
    for (const int size : {drivesmith::kLargeIconSize, drivesmith::kSmallIconSize}) {
      icons.push_back({ToPicture(drivesmith::DrawApplicationIcon(size)), colours});
    }
  }
  const bool ok = Write(IconFile(icons), argv[1]) &&
                  Write(BitmapFile(ToPicture(drivesmith::DrawLogo())), argv[2]);
  return ok ? 0 : 1;
}
