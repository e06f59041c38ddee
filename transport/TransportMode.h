#pragma once
#include <cstdint>

namespace drivesmith {

// How the program reaches drives for the whole run; fixed at start-up.
enum class TransportMode : std::uint8_t {
  Aspi = 0,               // host adapter and target id through ASPI
  PassThroughLetter = 1,  // pass-through, device "\\.\X:" with X = 'd' + drive index
  PassThroughCdrom = 2,   // pass-through, device "\\.\cdrom%d"
};

}  // namespace drivesmith
