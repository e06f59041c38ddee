#pragma once
// Numbers in the options and settings of the simulated drives and the demo,
// read the same in every locale (the window toolkit sets the user's locale
// before any option is read): the whole text must be the number.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

namespace drivesmith::sim {

enum class NumberBase { Decimal, DecimalOrHex };

// A whole number without sign: decimal, or with DecimalOrHex also "0x"
// followed by hexadecimal digits. Empty when anything else is in the text or
// the value is above `limit`.
inline std::optional<std::uint64_t> ParseWholeNumber(std::string_view text, NumberBase base,
                                                     std::uint64_t limit) {
  int radix = 10;
  if (base == NumberBase::DecimalOrHex && text.size() > 2 && text[0] == '0' &&
      (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    radix = 16;
  }
  std::uint64_t value = 0;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value, radix);
  if (text.empty() || error != std::errc() || end != last || value > limit) return std::nullopt;
  return value;
}

// A finite decimal number such as "0.01" or "1e-3", with "." as the decimal
// point whatever the locale says.
inline std::optional<double> ParseDecimalNumber(std::string_view text) {
  double value = 0;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value);
  if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace drivesmith::sim
