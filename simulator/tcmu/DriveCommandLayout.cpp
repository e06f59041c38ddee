#include "simulator/tcmu/DriveCommandLayout.h"

#include "drive/Opcodes.h"

namespace drivesmith::tcmu {

namespace {

// Commands of the drive and of the MMC command set that send data.
constexpr std::uint8_t kDataOutOpcodes[] = {
    opcode::kTransferData12,
    opcode::kTransferData10,
    0x0A,  // WRITE (6)
    0x15,  // MODE SELECT (6)
    0x2A,  // WRITE (10)
    0x2E,  // WRITE AND VERIFY (10)
    0x3B,  // WRITE BUFFER
    0x55,  // MODE SELECT (10)
    0x5D,  // SEND CUE SHEET
    0xA3,  // SEND KEY
    0xBF,  // SEND DVD STRUCTURE
};

constexpr std::size_t kConfirmSumCodeLength = 12;

}  // namespace

sim::DataDirection DataDirectionOf(std::uint8_t code, std::size_t dataLength) {
  if (dataLength == 0) return sim::DataDirection::None;
  for (const std::uint8_t out : kDataOutOpcodes) {
    if (code == out) return sim::DataDirection::Out;
  }
  return sim::DataDirection::In;
}

std::vector<std::uint8_t> DriveCommandBlock(std::span<const std::uint8_t> received) {
  std::vector<std::uint8_t> block(received.begin(), received.end());
  if (!block.empty() && block[0] == opcode::kConfirmSumCode && block.size() < kConfirmSumCodeLength)
    block.resize(kConfirmSumCodeLength, 0);
  return block;
}

}  // namespace drivesmith::tcmu
