#pragma once
// The boot loaders the program knows, with their flash layouts.

#include <cstdint>
#include <optional>
#include <span>

namespace drivesmith {

// Flash layout of a boot loader: 0 one-megabyte ("1M", also any unknown
// loader), 2 two-megabyte ("2M").
using FlashSizeCode = std::uint8_t;
inline constexpr FlashSizeCode kFlash1M = 0;
inline constexpr FlashSizeCode kFlash2M = 2;

struct LoaderTableRow {
  const char* name;    // NUL-terminated, at most 16 characters; null ends the table
  std::uint32_t code;  // FlashSizeCode in the low byte
};

// Ordered rows, ended by a row without a name.
extern const LoaderTableRow LoaderTable[];

// The first row whose name the field starts with (case-sensitive), or nothing.
// `identity` holds at least 16 bytes.
std::optional<FlashSizeCode> FindLoaderCode(std::span<const std::uint8_t> identity);

}  // namespace drivesmith
