#pragma once
// What the drive knows about each command that the kernel's target does not
// tell its handler: the direction of the data phase and the block length of
// commands whose operation code group says otherwise.

#include <cstdint>
#include <span>
#include <vector>

#include "simulator/CommandTrace.h"

namespace drivesmith::tcmu {

// The data phase of a command with `dataLength` bytes of buffer: none when
// empty, out for the commands that carry data to the drive, in otherwise.
sim::DataDirection DataDirectionOf(std::uint8_t opcode, std::size_t dataLength);

// The command block as the drive reads it. The target copies a block only as
// far as its operation code group reaches (10 bytes for 0xE0 to 0xFF), so the
// drive's 12-byte vendor command arrives two bytes short; it is lengthened
// with zero bytes.
std::vector<std::uint8_t> DriveCommandBlock(std::span<const std::uint8_t> received);

}  // namespace drivesmith::tcmu
