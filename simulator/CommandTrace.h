#pragma once
// The record of every command a simulated drive received.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace drivesmith::sim {

enum class DataDirection { None, In, Out };

struct TraceEntry {
  std::vector<std::uint8_t> cdb;  // the command block at its real length (6, 10 or 12)
  DataDirection direction = DataDirection::None;
  std::uint32_t dataLength = 0;
  std::uint8_t status = 0;  // 0x00 GOOD, 0x02 CHECK CONDITION; 0xFF when the drive did not answer
  std::uint8_t asc = 0;     // of the sense data returned (0 when none)
  std::uint8_t ascq = 0;
  std::chrono::milliseconds at{0};  // simulated time of arrival
};

// One line: "E2 00 00 00 00 00 0C 00 01 00 out 3072 status 00 asc 00 ascq 00 t=123ms".
std::string FormatTraceLine(const TraceEntry& entry);

}  // namespace drivesmith::sim
