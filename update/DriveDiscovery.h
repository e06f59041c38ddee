#pragma once
// The Target Drive list: probing the reachable addresses, the text of a
// drive entry, and reading the address back from an entry.

#include <cstdint>
#include <functional>
#include <string>

#include "drive/DriveCommands.h"
#include "transport/ScsiRequest.h"
#include "transport/TransportMode.h"

namespace drivesmith {

inline constexpr int kHostAdapterCount = 256;
inline constexpr int kTargetsPerHostAdapter = 8;
inline constexpr int kDriveIndexCount = 256;
// Inquiry bytes 8 to 35: vendor, product and revision.
inline constexpr std::size_t kIdentificationOffset = 8;
inline constexpr std::size_t kIdentificationLength = 28;

// "HA:12 ID:3  ", "cdrom1 :  ", "drive0 :  ".
std::string DriveEntryLabel(TransportMode mode, std::uint8_t hostAdapter, std::uint8_t targetId,
                            std::uint8_t driveIndex);

// Inquiry data bytes 8 to 35, cut at the first NUL among them.
std::string DriveIdentification(const std::uint8_t* inquiryData);

// Probes every address the mode can reach with Inquiry, in order, and hands
// each answering drive's entry text to `addEntry`. Leaves the last probed
// address in the request.
void FillDriveList(DriveCommands& commands, TransportMode mode,
                   const std::function<void(const std::string&)>& addEntry);

// Whether the entry names a drive this program may update.
bool IsSupportedModel(const std::string& entryText);

// Writes the address fields of `mode` read from the entry's label into the
// request; the other address fields keep their values.
void ParseDriveEntry(const std::string& entryText, TransportMode mode, ScsiRequest& request);

}  // namespace drivesmith
