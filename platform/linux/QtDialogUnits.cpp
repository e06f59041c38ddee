#include "platform/linux/QtDialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace drivesmith {

namespace {

constexpr char kAverageWidthSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAverageWidthSampleLength = 52;
constexpr int kHorizontalUnitsPerBase = 4;
constexpr int kVerticalUnitsPerBase = 8;

// a * b / c rounded to the nearest integer, halves away from zero.
int MultiplyDivideRounded(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  const long long rounded = product >= 0 ? (product + half) / c : (product - half) / c;
  return static_cast<int>(rounded);
}

}  // namespace

QFont DialogFont() {
  QFont font(QString::fromLatin1(kDialogFontFamily), kDialogFontPointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

DialogUnits DialogUnits::FromFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int sampleWidth = metrics.horizontalAdvance(QString::fromLatin1(kAverageWidthSample));
  const int averageWidth = MultiplyDivideRounded(sampleWidth, 1, kAverageWidthSampleLength);
  return DialogUnits(averageWidth > 0 ? averageWidth : 1,
                     metrics.height() > 0 ? metrics.height() : 1);
}

int DialogUnits::ToPixelsX(int units) const {
  return MultiplyDivideRounded(units, baseWidth_, kHorizontalUnitsPerBase);
}

int DialogUnits::ToPixelsY(int units) const {
  return MultiplyDivideRounded(units, baseHeight_, kVerticalUnitsPerBase);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

QSize DialogUnits::ToPixels(QSize units) const {
  return QSize(ToPixelsX(units.width()), ToPixelsY(units.height()));
}

}  // namespace drivesmith
