#pragma once
// The boot loader's version number from its revision field.

#include <array>
#include <cstdint>

namespace drivesmith {

inline constexpr std::size_t kRevisionOffset = 32;
inline constexpr std::size_t kRevisionLength = 4;

// Reads the decimal number at the start of the four revision bytes the way
// the C library's strtod reads it in the "C" locale: leading white space is
// skipped, then the longest prefix that forms a number is taken; 0.0 when
// there is none. The text ends after the fourth byte. Independent of the
// process locale.
double ParseLoaderVersion(const std::array<std::uint8_t, kRevisionLength>& revision);

}  // namespace drivesmith
