#include "image/LoaderTable.h"

#include <cstring>

namespace drivesmith {

const LoaderTableRow LoaderTable[] = {
    {"ZAzizud2 ZIRIVID", kFlash2M},
    {nullptr, 0},
};

std::optional<FlashSizeCode> FindLoaderCode(std::span<const std::uint8_t> identity) {
  for (const LoaderTableRow* row = LoaderTable; row->name != nullptr; ++row) {
    const std::size_t nameLength = std::strlen(row->name);
    // A field shorter than the name cannot start with it.
    if (identity.size() < nameLength) {
      continue;
    }
    if (std::memcmp(identity.data(), row->name, nameLength) == 0) {
      return static_cast<FlashSizeCode>(row->code & 0xFFu);
    }
  }
  return std::nullopt;
}

}  // namespace drivesmith
