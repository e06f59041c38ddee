#pragma once
// The boot loaders the program knows, with their flash layouts.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace drivesmith {

// Flash layout of a boot loader: 0 one-megabyte ("1M", also any unknown
// loader), 2 two-megabyte ("2M").
using FlashSizeCode = std::uint8_t;
inline constexpr FlashSizeCode kFlash1M = 0;
inline constexpr FlashSizeCode kFlash2M = 2;

struct LoaderTableRow {
  std::string_view name;  // at most 16 characters
  FlashSizeCode code;
};

// Ordered rows: the first that matches counts.
inline constexpr std::array<LoaderTableRow, 1> LoaderTable{{
    {"ZAzizud2 ZIRIVID", kFlash2M},
}};

// The first row whose name the field starts with (case-sensitive), or nothing.
// `identity` holds at least 16 bytes.
std::optional<FlashSizeCode> FindLoaderCode(std::span<const std::uint8_t> identity);

}  // namespace drivesmith
