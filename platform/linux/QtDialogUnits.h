#pragma once
// Dialog units: the layout of the wizard is given in the units of a dialog
// template, which scale with the dialog's font. A horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth
// of its height.

#include <QFont>
#include <QRect>
#include <QSize>

namespace drivesmith {

// The dialog's font: Liberation Sans is metric-compatible with the font the
// layout was designed for.
inline constexpr char kDialogFontFamily[] = "Liberation Sans";
inline constexpr int kDialogFontPointSize = 9;

QFont DialogFont();

class DialogUnits {
 public:
  // Base units measured from `font`: the average width of the 52 Latin
  // letters (rounded) and the font's height.
  static DialogUnits FromFont(const QFont& font);
  DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

  int BaseWidth() const { return baseWidth_; }
  int BaseHeight() const { return baseHeight_; }

  // Converts with rounding, as MapDialogRect does.
  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(int x, int y, int width, int height) const;
  QSize ToPixels(QSize units) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

}  // namespace drivesmith
