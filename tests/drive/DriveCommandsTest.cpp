// Every drive command through both transports: the command block and its
// length, the direction and length of the data phase, as each transport hands
// them to the platform.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "drive/DriveCommands.h"
#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CommandRow {
  std::function<int(DriveCommands&)> send;
  Bytes block;
  std::uint8_t direction;  // SRB_Flags as the command writes them
  std::uint32_t dataLength;
};

TEST(DriveCommandsTest, BlockDirectionAndDataPhaseThroughBothTransports) {
  const CommandRow rows[] = {
      {[](auto& c) { return c.Inquiry(); }, {0x12, 0, 0, 0, 36, 0}, 0x08, 36},
      {[](auto& c) { return c.RequestSense(); }, {0x03, 0, 0, 0, 14, 0}, 0x08, 14},
      {[](auto& c) { return c.TestUnitReady(); }, {0, 0, 0, 0, 0, 0x80}, 0, 0},
      {[](auto& c) { return c.ChangeToUpMode(1); }, {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}, 0, 0},
      {[](auto& c) { return c.PrepareFlash(2); }, {0xE0, 0, 0, 2, 0, 0, 0, 0, 0, 0}, 0, 0},
      {[](auto& c) { return c.WriteFlash(1); }, {0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}, 0, 0},
      {[](auto& c) { return c.EraseFlash(0); }, {0xE6, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0},
      {[](auto& c) { return c.ConfirmSumCode(1, 0x1234, 2.01); },
       {0xE7, 0, 0, 0, 0, 0, 0x01, 0x40, 0x12, 0x34, 0, 0},
       0,
       0},
      {[](auto& c) { return c.ConfirmSumCode(2, 0xABCD, 2.0); },
       {0xE7, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x40, 0xAB, 0xCD},
       0,
       0},
      {[](auto& c) { return c.TransferData(0x1FF, 1, 1); },
       {0xAA, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x01, 0, 0, 0},
       0x10,
       0x1FF},
      {[](auto& c) { return c.TransferData(3072, 0, 5); },
       {0xE2, 0, 0, 0, 0, 0, 0x0C, 0, 0x05, 0},
       0x10,
       3072},
  };
  for (const CommandRow& row : rows) {
    for (const TransportMode mode : {TransportMode::Aspi, TransportMode::PassThroughCdrom}) {
      SCOPED_TRACE(::testing::Message() << "opcode " << int{row.block[0]} << " mode "
                                        << static_cast<int>(mode) << " length " << row.dataLength);
      FakeAspiLayer aspi;
      FakePassThroughLayer passThrough;
      ScsiTransport transport(mode, &aspi, &passThrough);
      auto request = std::make_unique<ScsiRequest>();
      request->hostAdapter = 3;
      request->targetId = 5;
      request->driveIndex = 2;
      DriveCommands commands(*request, transport);
      // What an earlier command left in the blocks.
      std::fill_n(request->aspi.CDBByte, 12, std::uint8_t{0xEE});
      Bytes cdb = row.block;
      cdb.resize(16, 0);

      ASSERT_EQ(row.send(commands), 1);

      if (mode == TransportMode::Aspi) {
        ASSERT_EQ(aspi.received.size(), 1u);
        const SrbExecScsiCmd& srb = aspi.received[0].srb;
        EXPECT_EQ(srb.SRB_Cmd, 2);
        EXPECT_EQ(srb.SRB_Flags, row.direction | 0x40);
        EXPECT_EQ(srb.SRB_HaId, 3);
        EXPECT_EQ(srb.SRB_Target, 5);
        EXPECT_EQ(srb.SRB_Lun, 0);
        EXPECT_EQ(srb.SRB_BufLen, row.dataLength);
        EXPECT_EQ(srb.SRB_SenseLen, 16);
        EXPECT_EQ(srb.SRB_CDBLen, row.block.size());
        EXPECT_EQ(Bytes(srb.CDBByte, srb.CDBByte + 16), cdb);
      } else {
        ASSERT_EQ(passThrough.issued.size(), 1u);
        const IssuedPassThrough& issued = passThrough.issued[0];
        EXPECT_TRUE(issued.address == (PassThroughAddress{TransportMode::PassThroughCdrom, 2}));
        EXPECT_EQ(issued.commandBlock, row.block);
        EXPECT_EQ(issued.direction, row.direction == 0x10   ? PassThroughDirection::Out
                                    : row.direction == 0x08 ? PassThroughDirection::In
                                                            : PassThroughDirection::None);
        EXPECT_EQ(issued.dataLength, row.dataLength);
        EXPECT_EQ(issued.senseLength, 14u);
        EXPECT_EQ(issued.timeout, std::chrono::seconds(2));
      }
    }
  }
}

}  // namespace
}  // namespace drivesmith::testing
