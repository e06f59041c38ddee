// Reading a drive entry back: any text as the selected entry, and entries
// made from any address and any INQUIRY data, which must read back to the
// address they were made from.
//
// Input: host adapter, target, drive index, then 28 bytes of identification;
// the whole input is also taken as an entry text of its own.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"
#include "update/DriveDiscovery.h"

namespace {

using namespace drivesmith;
using drivesmith::fuzz::Check;

constexpr TransportMode kModes[] = {TransportMode::Aspi, TransportMode::PassThroughLetter,
                                    TransportMode::PassThroughCdrom};
constexpr std::uint8_t kUntouched = 0xA5;
constexpr std::string_view kKeywords[] = {"ZWR2040", "TAVIX", "ZAzizud2", "ZIRIVID"};

ScsiRequest Sentinel() {
  ScsiRequest request;
  request.hostAdapter = kUntouched;
  request.targetId = kUntouched;
  request.driveIndex = kUntouched;
  return request;
}

// Any text: reading it back writes only the fields of the mode.
void ReadBackAnyText(const std::string& text) {
  for (const TransportMode mode : kModes) {
    ScsiRequest request = Sentinel();
    ParseDriveEntry(text, mode, request);
    if (mode == TransportMode::Aspi) {
      Check(request.driveIndex == kUntouched, "ASPI leaves the drive index alone");
      Check(request.targetId < 10, "the target id is one digit");
    } else {
      Check(request.hostAdapter == kUntouched && request.targetId == kUntouched,
            "pass-through leaves host adapter and target alone");
    }
  }
  bool hasKeyword = false;
  for (const std::string_view keyword : kKeywords) {
    hasKeyword = hasKeyword || text.find(keyword) != std::string::npos;
  }
  Check(IsSupportedModel(text) == hasKeyword, "a model is supported exactly when it names one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  ReadBackAnyText(std::string(reinterpret_cast<const char*>(data), size));

  const std::uint8_t hostAdapter = input.Byte();
  const auto targetId = static_cast<std::uint8_t>(input.Byte() % kTargetsPerHostAdapter);
  const std::uint8_t driveIndex = input.Byte();
  std::array<std::uint8_t, kIdentificationOffset + kIdentificationLength> inquiry{};
  const auto identificationBytes = input.Bytes(kIdentificationLength);
  std::copy(identificationBytes.begin(), identificationBytes.end(),
            inquiry.begin() + kIdentificationOffset);

  const std::string identification = DriveIdentification(inquiry.data());
  Check(identification.size() <= kIdentificationLength, "the identification is 28 bytes at most");
  Check(identification.find('\0') == std::string::npos, "the identification stops at a NUL");
  Check(std::memcmp(identification.data(), inquiry.data() + kIdentificationOffset,
                    identification.size()) == 0,
        "the identification is the INQUIRY bytes unchanged");

  for (const TransportMode mode : kModes) {
    const std::string entry =
        DriveEntryLabel(mode, hostAdapter, targetId, driveIndex) + identification;
    ScsiRequest request = Sentinel();
    ParseDriveEntry(entry, mode, request);
    if (mode == TransportMode::Aspi) {
      Check(request.hostAdapter == hostAdapter && request.targetId == targetId,
            "an ASPI entry reads back to its host adapter and target");
    } else {
      Check(request.driveIndex == driveIndex, "a pass-through entry reads back to its index");
    }
  }
  return 0;
}
