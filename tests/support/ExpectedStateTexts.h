#pragma once
// The state area's text in every wizard state as the user reads it, written
// out once for every suite that looks at a window.

#include <array>
#include <string>

namespace drivesmith::expected {

// Line `marked` (1 to 5) of the five phase lines carries the marker; 0: none.
inline std::string PhaseLines(bool twoMegabyte, int marked) {
  const std::array<const char*, 5> lines1M = {"Transferring Writing Data", "Confirming SUM Code",
                                              "Erasing Flash ROM", "Writing Data into Flash ROM",
                                              "Confirming SUM Code"};
  const std::array<const char*, 5> lines2M = {lines1M[2], lines1M[0], lines1M[1], lines1M[3],
                                              lines1M[4]};
  std::string text;
  for (int i = 0; i < 5; ++i) {
    text += std::string(i + 1 == marked ? ">> " : "    ") +
            (twoMegabyte ? lines2M : lines1M)[static_cast<std::size_t>(i)] + " \r\n";
  }
  return text;
}

// The text of `state` (0 to 14); the phase states 2 to 10 show the lines of
// the drive's layout with the marker on the state's line.
inline std::string StateText(int state, bool twoMegabyte) {
  const std::string ng = "\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n ";
  switch (state) {
    case 0:
      return " Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.";
    case 1:
      return " Push Start button and Start to update.";
    case 11:
      return " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n"
             " Turn OFF PC & Drive and Reboot them.";
    case 12:
      return " Fail to update." + ng + "Turn OFF PC and Reboot it.";
    case 13:
      return " Cannot update for different Type Code." + ng + "Make sure Selected Source File.";
    case 14:
      return " Cannot change Drive to Up Mode." + ng + "Make sure Selected Target Drive.";
    default:
      break;
  }
  const std::array<int, 9> marked1M = {1, 0, 0, 2, 3, 4, 0, 0, 5};
  const std::array<int, 9> marked2M = {2, 2, 2, 3, 1, 4, 4, 4, 5};
  return PhaseLines(twoMegabyte,
                    (twoMegabyte ? marked2M : marked1M).at(static_cast<std::size_t>(state - 2)));
}

}  // namespace drivesmith::expected
