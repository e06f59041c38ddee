// drivesmith-artwork: writes the program's pictures as PNG files for the
// desktop's icon theme. Usage: drivesmith-artwork OUTPUT-FOLDER SIZE...
// Writes SIZExSIZE/drivesmith.png for each SIZE, and logo.png.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <iostream>

#include "platform/linux/QtArtwork.h"

namespace {

// Icons larger than this are of no use to a desktop.
constexpr int kLargestIconSize = 512;

bool Write(const QImage& image, const QString& path) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "PNG")) {
    std::cerr << "drivesmith-artwork: cannot write " << path.toStdString() << '\n';
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "Usage: drivesmith-artwork OUTPUT-FOLDER SIZE...\n";
    return 2;
  }
  // Drawing needs no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    bool number = false;
    const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
    if (!number || size < 1 || size > kLargestIconSize) {
      std::cerr << "drivesmith-artwork: not an icon size: " << argv[i] << '\n';
      return 2;
    }
    const QString name = QStringLiteral("/%1x%1/drivesmith.png").arg(size);
    if (!Write(drivesmith::DrawApplicationIcon(size), folder + name)) return 1;
  }
  return Write(drivesmith::DrawLogo(), folder + QStringLiteral("/logo.png")) ? 0 : 1;
}
