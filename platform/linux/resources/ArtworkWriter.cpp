// drivesmith-artwork: writes the program's pictures as PNG files for the
// desktop's icon theme. Usage: drivesmith-artwork OUTPUT-FOLDER
// Writes 16x16/drivesmith.png, 32x32/drivesmith.png and logo.png.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <iostream>

#include "platform/linux/QtArtwork.h"

namespace {

bool Write(const QImage& image, const QString& path) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "PNG")) {
    std::cerr << "drivesmith-artwork: cannot write " << path.toStdString() << '\n';
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: drivesmith-artwork OUTPUT-FOLDER\n";
    return 2;
  }
  // Drawing needs no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const bool ok = Write(drivesmith::DrawApplicationIcon(drivesmith::kSmallIconSize),
                        folder + QStringLiteral("/16x16/drivesmith.png")) &&
                  Write(drivesmith::DrawApplicationIcon(drivesmith::kLargeIconSize),
                        folder + QStringLiteral("/32x32/drivesmith.png")) &&
                  Write(drivesmith::DrawLogo(), folder + QStringLiteral("/logo.png"));
  return ok ? 0 : 1;
}
