#include "image/LoaderTable.h"

#include <algorithm>

namespace drivesmith {

std::optional<FlashSizeCode> FindLoaderCode(std::span<const std::uint8_t> identity) {
  for (const LoaderTableRow& row : LoaderTable) {
    // A field shorter than the name cannot start with it.
    if (identity.size() >= row.name.size() &&
        std::equal(row.name.begin(), row.name.end(), identity.begin(),
                   [](char letter, std::uint8_t byte) {
                     return static_cast<std::uint8_t>(letter) == byte;
                   })) {
      return row.code;
    }
  }
  return std::nullopt;
}

}  // namespace drivesmith
