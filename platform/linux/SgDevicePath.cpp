#include "platform/linux/SgDevicePath.h"

#include <string>
#include <string_view>
#include <system_error>

namespace drivesmith {

namespace {

constexpr std::string_view kGenericPrefix = "sg";
constexpr std::string_view kBlockPrefix = "sr";
constexpr unsigned kLargestCdromNumber = 255;  // the drive index is one byte

// A decimal number without sign or leading zeros, at most `largest`.
std::optional<unsigned> ParseNumber(std::string_view text, unsigned largest) {
  if (text.empty() || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > largest) return std::nullopt;
  }
  return value;
}

// The SCSI generic node that sysfs lists for the block device `srName`, as
// <sysfs>/class/block/sr3/device/scsi_generic/sg5.
std::optional<std::string> GenericNodeName(const std::filesystem::path& sysfsRoot,
                                           const std::string& srName) {
  const std::filesystem::path dir =
      sysfsRoot / "class" / "block" / srName / "device" / "scsi_generic";
  std::error_code error;
  std::filesystem::directory_iterator it(dir, error);
  if (error) return std::nullopt;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
    if (error) return std::nullopt;
    const std::string name = it->path().filename().string();
    const std::string_view view = name;
    if (view.substr(0, kGenericPrefix.size()) != kGenericPrefix) continue;
    if (ParseNumber(view.substr(kGenericPrefix.size()), ~0u >> 1)) return name;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> SgDevicePath(PassThroughAddress address,
                                                  const std::filesystem::path& sysfsRoot,
                                                  const std::filesystem::path& devRoot) {
  const std::string number = std::to_string(address.driveIndex);
  switch (address.mode) {
    case TransportMode::PassThroughCdrom: {
      const std::string srName = std::string(kBlockPrefix) + number;
      if (const auto generic = GenericNodeName(sysfsRoot, srName)) return devRoot / *generic;
      return devRoot / srName;
    }
    case TransportMode::PassThroughLetter:
      return devRoot / (std::string(kGenericPrefix) + number);
    case TransportMode::Aspi:
      break;
  }
  return std::nullopt;
}

bool LacksGenericNode(const std::filesystem::path& node, const std::filesystem::path& sysfsRoot) {
  const std::string name = node.filename().string();
  const std::string_view view = name;
  if (view.substr(0, kBlockPrefix.size()) != kBlockPrefix) return false;
  if (!ParseNumber(view.substr(kBlockPrefix.size()), kLargestCdromNumber)) return false;
  std::error_code error;
  return std::filesystem::exists(sysfsRoot / "class" / "block" / name, error) &&
         !GenericNodeName(sysfsRoot, name);
}

}  // namespace drivesmith
