#include "update/DriveDiscovery.h"

#include <array>
#include <string>

namespace drivesmith {
namespace {

// Keywords of the models this program may update, tried in this order.
constexpr std::array<const char*, 4> kSupportedModelKeywords = {"ZWR2040", "TAVIX", "ZAzizud2",
                                                                "ZIRIVID"};

bool IsDigitAt(const std::string& text, std::size_t position) {
  return position < text.size() && text[position] >= '0' && text[position] <= '9';
}

std::uint8_t DigitAt(const std::string& text, std::size_t position) {
  return static_cast<std::uint8_t>(text[position] - '0');
}

// One to three decimal digits at `position`, in 8-bit arithmetic; 0 when the
// character there is not a digit. A fourth digit is never read.
std::uint8_t NumberAt(const std::string& text, std::size_t position) {
  std::uint8_t number = 0;
  for (std::size_t i = 0; i < 3 && IsDigitAt(text, position + i); ++i) {
    number = static_cast<std::uint8_t>(number * 10 + DigitAt(text, position + i));
  }
  return number;
}

// Label positions: the host adapter number follows "HA:", the drive index
// follows "cdrom" or "drive".
constexpr std::size_t kHostAdapterPosition = 3;
constexpr std::size_t kDriveIndexPosition = 5;

}  // namespace

std::string DriveEntryLabel(TransportMode mode, std::uint8_t hostAdapter, std::uint8_t targetId,
                            std::uint8_t driveIndex) {
  switch (mode) {
    case TransportMode::Aspi:
      return "HA:" + std::to_string(hostAdapter) + " ID:" + std::to_string(targetId) + "  ";
    case TransportMode::PassThroughCdrom:
      return "cdrom" + std::to_string(driveIndex) + " :  ";
    case TransportMode::PassThroughLetter:
    default:
      return "drive" + std::to_string(driveIndex) + " :  ";
  }
}

std::string DriveIdentification(const std::uint8_t* inquiryData) {
  std::string identification;
  for (std::size_t i = 0; i < kIdentificationLength; ++i) {
    const std::uint8_t byte = inquiryData[kIdentificationOffset + i];
    if (byte == 0) {
      break;
    }
    identification.push_back(static_cast<char>(byte));
  }
  return identification;
}

void FillDriveList(DriveCommands& commands, TransportMode mode,
                   const std::function<void(const std::string&)>& addEntry) {
  ScsiRequest& request = commands.Request();
  if (mode == TransportMode::Aspi) {
    for (int h = 0; h < kHostAdapterCount; ++h) {
      for (int t = 0; t < kTargetsPerHostAdapter; ++t) {
        request.hostAdapter = static_cast<std::uint8_t>(h);
        request.targetId = static_cast<std::uint8_t>(t);
        if (commands.Inquiry() == 1) {
          addEntry(DriveEntryLabel(mode, request.hostAdapter, request.targetId, 0) +
                   DriveIdentification(request.Data()));
        }
      }
    }
    return;
  }
  for (int i = 0; i < kDriveIndexCount; ++i) {
    request.driveIndex = static_cast<std::uint8_t>(i);
    if (commands.Inquiry() == 1) {
      addEntry(DriveEntryLabel(mode, 0, 0, request.driveIndex) +
               DriveIdentification(request.Data()));
    }
  }
}

bool IsSupportedModel(const std::string& entryText) {
  for (const char* keyword : kSupportedModelKeywords) {
    if (entryText.find(keyword) != std::string::npos) {
      return true;
    }
  }
  return false;
}

void ParseDriveEntry(const std::string& entryText, TransportMode mode, ScsiRequest& request) {
  if (mode == TransportMode::Aspi) {
    request.hostAdapter = NumberAt(entryText, kHostAdapterPosition);
    // "HA:n ID:" puts the target digit five characters after the number.
    const std::size_t numberDigits = request.hostAdapter < 10    ? 1
                                     : request.hostAdapter < 100 ? 2
                                                                 : 3;
    const std::size_t targetPosition = kHostAdapterPosition + numberDigits + 4;
    request.targetId =
        IsDigitAt(entryText, targetPosition) ? DigitAt(entryText, targetPosition) : 0;
    return;
  }
  request.driveIndex = NumberAt(entryText, kDriveIndexPosition);
}

}  // namespace drivesmith
