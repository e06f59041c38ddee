#include "drive/DriveCommands.h"

#include <algorithm>

namespace drivesmith {

std::uint8_t* DriveCommands::Begin(Direction direction, std::uint8_t blockLength) {
  SrbExecScsiCmd& srb = request_.aspi;
  srb.SRB_HaId = request_.hostAdapter;
  srb.SRB_Target = request_.targetId;
  srb.SRB_Flags = static_cast<std::uint8_t>(direction);
  srb.SRB_CDBLen = blockLength;
  std::fill(srb.CDBByte, srb.CDBByte + 12, std::uint8_t{0});
  return srb.CDBByte;
}

int DriveCommands::Inquiry() {
  std::uint8_t* cdb = Begin(Direction::In, 6);
  cdb[0] = opcode::kInquiry;
  cdb[4] = static_cast<std::uint8_t>(kInquiryLength);
  return Send(kInquiryLength);
}

int DriveCommands::RequestSense() {
  std::uint8_t* cdb = Begin(Direction::In, 6);
  cdb[0] = opcode::kRequestSense;
  cdb[4] = static_cast<std::uint8_t>(kRequestSenseLength);
  return Send(kRequestSenseLength);
}

int DriveCommands::TestUnitReady() {
  std::uint8_t* cdb = Begin(Direction::None, 6);
  cdb[0] = opcode::kTestUnitReady;
  cdb[5] = 0x80;
  return Send(0);
}

int DriveCommands::ChangeToUpMode(std::uint32_t modeFlag) {
  std::uint8_t* cdb = Begin(Direction::None, 10);
  cdb[0] = opcode::kChangeToUpMode;
  if (modeFlag == 1) cdb[9] = 0x40;
  return Send(0);
}

int DriveCommands::PrepareFlash(std::uint8_t parameter) {
  std::uint8_t* cdb = Begin(Direction::None, 10);
  cdb[0] = opcode::kPrepareFlash;
  cdb[3] = parameter;
  return Send(0);
}

int DriveCommands::WriteFlash(std::uint32_t loaderUpdateFlag) {
  std::uint8_t* cdb = Begin(Direction::None, 10);
  cdb[0] = opcode::kWriteFlash;
  if (loaderUpdateFlag == 1) cdb[9] = 0x40;
  return Send(0);
}

int DriveCommands::EraseFlash(std::uint32_t loaderUpdateFlag) {
  std::uint8_t* cdb = Begin(Direction::None, 10);
  cdb[0] = opcode::kEraseFlash;
  if (loaderUpdateFlag == 1) cdb[9] = 0x40;
  return Send(0);
}

int DriveCommands::ConfirmSumCode(std::uint8_t area, std::uint16_t sum, double loaderVersion) {
  std::uint8_t* cdb = Begin(Direction::None, 12);
  cdb[0] = opcode::kConfirmSumCode;
  const auto high = static_cast<std::uint8_t>(sum >> 8);
  const auto low = static_cast<std::uint8_t>(sum);
  if (loaderVersion > 2.0) {
    cdb[6] = area;
    cdb[7] = 0x40;
    cdb[8] = high;
    cdb[9] = low;
  } else {
    cdb[8] = area;
    cdb[9] = 0x40;
    cdb[10] = high;
    cdb[11] = low;
  }
  return Send(0);
}

int DriveCommands::TransferData(std::uint32_t length, std::uint32_t commandForm,
                                std::uint8_t area) {
  const bool twelveByte = commandForm == kForm12Byte;
  std::uint8_t* cdb = Begin(Direction::Out, twelveByte ? 12 : 10);
  cdb[0] = twelveByte ? opcode::kTransferData12 : opcode::kTransferData10;
  cdb[6] = static_cast<std::uint8_t>(length >> 8);
  cdb[7] = static_cast<std::uint8_t>(length);
  cdb[8] = area;
  return Send(static_cast<std::int32_t>(length));
}

}  // namespace drivesmith
