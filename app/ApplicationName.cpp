#include "app/ApplicationName.h"

namespace drivesmith {

std::string ApplicationNameFromPath(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  std::string_view base = separator == std::string_view::npos ? path : path.substr(separator + 1);
  const std::size_t dot = base.rfind('.');
  if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
  return std::string(base);
}

}  // namespace drivesmith
