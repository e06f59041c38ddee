#pragma once
// The texts the wizard's window must show, written out here on their own so
// that the window is checked against them rather than against the program's
// own tables. As the window shows them: "\n" line breaks.

#include <QString>
#include <QStringList>

namespace drivesmith::gui_test {

inline const QString kExpectedCaption = QStringLiteral("Tavix Drivesmith Ver. 10.0");
inline const QString kTitleText =
    QStringLiteral("DVD/CD Rewritable Drive F/W Update Program\nDrivesmith");
inline const QString kExpectedVersionText = QStringLiteral("2004  Ver 10.0");

inline const QString kState0 =
    QStringLiteral(" Select Target Drive and Source File.\n\n Eject Disc from Target Drive.");
inline const QString kState1 = QStringLiteral(" Push Start button and Start to update.");
inline const QString kState11 = QStringLiteral(
    " Completed to update F/W of Drive.\n\n *** OK ** OK ** OK *** \n\n Turn OFF PC & Drive and "
    "Reboot them.");
inline const QString kState12 =
    QStringLiteral(" Fail to update.\n\n *** NG ** NG ** NG *** \n\n Turn OFF PC and Reboot it.");
inline const QString kState13 = QStringLiteral(
    " Cannot update for different Type Code.\n\n *** NG ** NG ** NG *** \n\n Make sure Selected "
    "Source File.");
inline const QString kState14 = QStringLiteral(
    " Cannot change Drive to Up Mode.\n\n *** NG ** NG ** NG *** \n\n Make sure Selected Target "
    "Drive.");

inline const QStringList kOneMegabyteLines = {
    QStringLiteral("Transferring Writing Data "), QStringLiteral("Confirming SUM Code "),
    QStringLiteral("Erasing Flash ROM "), QStringLiteral("Writing Data into Flash ROM "),
    QStringLiteral("Confirming SUM Code ")};
inline const QStringList kTwoMegabyteLines = {
    QStringLiteral("Erasing Flash ROM "), QStringLiteral("Transferring Writing Data "),
    QStringLiteral("Confirming SUM Code "), QStringLiteral("Writing Data into Flash ROM "),
    QStringLiteral("Confirming SUM Code ")};

// The line (1 to 5) marked in a phase state; 0 when the layout marks none.
inline int MarkedLine(int state, bool twoMegabyte) {
  if (twoMegabyte) {
    switch (state) {
      case 6:
        return 1;
      case 2:
      case 3:
      case 4:
        return 2;
      case 5:
        return 3;
      case 7:
      case 8:
      case 9:
        return 4;
      case 10:
        return 5;
      default:
        return 0;
    }
  }
  switch (state) {
    case 2:
      return 1;
    case 5:
      return 2;
    case 6:
      return 3;
    case 7:
      return 4;
    case 10:
      return 5;
    default:
      return 0;
  }
}

// The five phase lines with the marker on `state`'s line.
inline QString PhaseText(int state, bool twoMegabyte) {
  const QStringList& lines = twoMegabyte ? kTwoMegabyteLines : kOneMegabyteLines;
  const int marked = MarkedLine(state, twoMegabyte);
  QString text;
  for (int i = 0; i < lines.size(); ++i) {
    text += (i + 1 == marked ? QStringLiteral(">> ") : QStringLiteral("    ")) + lines[i] +
            QStringLiteral("\n");
  }
  return text;
}

}  // namespace drivesmith::gui_test
