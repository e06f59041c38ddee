#include "simulator/CommandTrace.h"

#include <cstdio>
#include <sstream>

namespace drivesmith::sim {

namespace {
std::string Hex(std::uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

const char* DirectionName(DataDirection direction) {
  switch (direction) {
    case DataDirection::In:
      return "in";
    case DataDirection::Out:
      return "out";
    case DataDirection::None:
      break;
  }
  return "none";
}

}  // namespace

std::string FormatTraceLine(const TraceEntry& entry) {
  std::ostringstream line;
  for (std::uint8_t byte : entry.cdb) line << Hex(byte) << ' ';
  line << DirectionName(entry.direction) << ' ' << entry.dataLength << " status "
       << Hex(entry.status) << " asc " << Hex(entry.asc) << " ascq " << Hex(entry.ascq)
       << " t=" << entry.at.count() << "ms";
  return line.str();
}

}  // namespace drivesmith::sim
