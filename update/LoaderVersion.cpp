#include "update/LoaderVersion.h"

#include <charconv>
#include <cstring>

namespace drivesmith {
namespace {

// White space as the "C" locale's isspace knows it.
bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

double ParseLoaderVersion(const std::array<std::uint8_t, kRevisionLength>& revision) {
  // The four bytes as a NUL-terminated text, so the number ends after byte 35
  // whatever follows it in the data buffer.
  char text[kRevisionLength + 1] = {};
  std::memcpy(text, revision.data(), kRevisionLength);
  const char* first = text;
  const char* last = text + std::strlen(text);

  // std::from_chars reads the same numbers as strtod in the "C" locale but
  // never looks at the process locale (a GUI may have set one with a decimal
  // comma). It neither skips white space nor takes a '+' sign, and reads hex
  // only without its "0x" prefix; those strtod rules are applied here.
  while (first != last && IsCSpace(*first)) {
    ++first;
  }
  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) {
    negative = *first == '-';
    ++first;
  }
  if (first == last || *first == '+' || *first == '-') {
    return 0.0;
  }
  double value = 0.0;
  std::from_chars_result result{};
  if (last - first >= 3 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X') &&
      (IsHexDigit(first[2]) || (first[2] == '.' && last - first >= 4 && IsHexDigit(first[3])))) {
    result = std::from_chars(first + 2, last, value, std::chars_format::hex);
  } else {
    result = std::from_chars(first, last, value, std::chars_format::general);
  }
  if (result.ec == std::errc::invalid_argument) {
    return 0.0;
  }
  // Out of range cannot happen with four characters; strtod would give the
  // nearest value, which from_chars leaves unset there, so 0.0 stands in.
  if (result.ec != std::errc{}) {
    return 0.0;
  }
  return negative ? -value : value;
}

}  // namespace drivesmith
