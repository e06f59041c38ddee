#pragma once
// The program's pictures, drawn at run time: the window icon (32 x 32 and
// 16 x 16) and the maker's logo shown in the dialog (111 x 55).

#include <QIcon>
#include <QImage>

namespace drivesmith {

inline constexpr int kLogoWidth = 111;
inline constexpr int kLogoHeight = 55;
inline constexpr int kLargeIconSize = 32;
inline constexpr int kSmallIconSize = 16;

// The icon at `size` pixels square: a disc with a flash bolt across it.
QImage DrawApplicationIcon(int size);
// The icon with its large and small image.
QIcon ApplicationIcon();
// The logo: the maker's name over a disc on a dark band. 24-bit colour.
QImage DrawLogo();

}  // namespace drivesmith
