// The nine drive commands through both transports: the command block, its
// length, the direction and length of the data phase as each transport hands
// them to the platform, and the data that goes out and comes back.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveCommands.h"
#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kHostAdapter = 3;
constexpr std::uint8_t kTargetId = 5;
constexpr std::uint8_t kDriveIndex = 2;

enum class Via { Aspi, PassThrough };

std::string ViaName(Via via) { return via == Via::Aspi ? "Aspi" : "PassThrough"; }

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b.at(at + i)) << (8 * i);
  return v;
}

Bytes Pattern(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

// One drive, one request record and one transport of the chosen kind, with
// fakes at the platform ports.
class CommandRig {
 public:
  explicit CommandRig(Via via)
      : via_(via),
        transport_(via == Via::Aspi ? TransportMode::Aspi : TransportMode::PassThroughCdrom, &aspi,
                   &passThrough) {
    request_->hostAdapter = kHostAdapter;
    request_->targetId = kTargetId;
    request_->driveIndex = kDriveIndex;
  }

  Via via() const { return via_; }
  ScsiRequest& request() { return *request_; }
  DriveCommands& commands() { return commands_; }

  // Scripts the next command to return `dataIn` with good status.
  void ReplyData(const Bytes& dataIn) {
    if (via_ == Via::Aspi) {
      aspi.Reply(AspiReply::Data(dataIn, AspiReply::When::OnWait));
    } else {
      passThrough.Reply(PassThroughReply::Data(dataIn));
    }
  }
  void ReplySense(std::uint8_t asc, std::uint8_t ascq) {
    if (via_ == Via::Aspi) {
      aspi.Reply(AspiReply::Sense(asc, ascq, AspiReply::When::OnWait));
    } else {
      passThrough.Reply(PassThroughReply::CheckCondition(asc, ascq));
    }
  }

  std::size_t CommandsSent() const {
    return via_ == Via::Aspi ? aspi.received.size() : passThrough.issued.size();
  }

  FakeAspiLayer aspi;
  FakePassThroughLayer passThrough;

 private:
  Via via_;
  ScsiTransport transport_;
  std::unique_ptr<ScsiRequest> request_ = std::make_unique<ScsiRequest>();
  DriveCommands commands_{*request_, transport_};
};

struct CommandCase {
  const char* name;
  std::function<int(DriveCommands&)> send;
  Bytes block;
  std::uint8_t direction;  // SRB_Flags as the command writes them
  std::int32_t dataLength;
};

const std::vector<CommandCase>& CommandTable() {
  static const std::vector<CommandCase> table = {
      {"Inquiry", [](DriveCommands& c) { return c.Inquiry(); }, {0x12, 0, 0, 0, 0x24, 0}, 0x08, 36},
      {"RequestSense",
       [](DriveCommands& c) { return c.RequestSense(); },
       {0x03, 0, 0, 0, 0x0E, 0},
       0x08,
       14},
      {"TestUnitReady",
       [](DriveCommands& c) { return c.TestUnitReady(); },
       {0x00, 0, 0, 0, 0, 0x80},
       0x00,
       0},
      {"ChangeToUpModeFlag1",
       [](DriveCommands& c) { return c.ChangeToUpMode(1); },
       {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40},
       0x00,
       0},
      {"ChangeToUpModeFlag0",
       [](DriveCommands& c) { return c.ChangeToUpMode(0); },
       {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"ChangeToUpModeFlag0x101",
       [](DriveCommands& c) { return c.ChangeToUpMode(0x101); },
       {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"PrepareFlash0",
       [](DriveCommands& c) { return c.PrepareFlash(0); },
       {0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"PrepareFlash1",
       [](DriveCommands& c) { return c.PrepareFlash(1); },
       {0xE0, 0, 0, 1, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"PrepareFlash2",
       [](DriveCommands& c) { return c.PrepareFlash(2); },
       {0xE0, 0, 0, 2, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"WriteFlashFlag0",
       [](DriveCommands& c) { return c.WriteFlash(0); },
       {0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"WriteFlashFlag1",
       [](DriveCommands& c) { return c.WriteFlash(1); },
       {0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0x40},
       0x00,
       0},
      {"WriteFlashFlag2",
       [](DriveCommands& c) { return c.WriteFlash(2); },
       {0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"EraseFlashFlag0",
       [](DriveCommands& c) { return c.EraseFlash(0); },
       {0xE6, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0x00,
       0},
      {"EraseFlashFlag1",
       [](DriveCommands& c) { return c.EraseFlash(1); },
       {0xE6, 0, 0, 0, 0, 0, 0, 0, 0, 0x40},
       0x00,
       0},
      {"ConfirmSumCodeLoader201",
       [](DriveCommands& c) { return c.ConfirmSumCode(1, 0x1234, 2.01); },
       {0xE7, 0, 0, 0, 0, 0, 0x01, 0x40, 0x12, 0x34, 0, 0},
       0x00,
       0},
      {"ConfirmSumCodeLoader20",
       [](DriveCommands& c) { return c.ConfirmSumCode(1, 0x1234, 2.0); },
       {0xE7, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x40, 0x12, 0x34},
       0x00,
       0},
      {"ConfirmSumCodeLoader15",
       [](DriveCommands& c) { return c.ConfirmSumCode(2, 0xABCD, 1.5); },
       {0xE7, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x40, 0xAB, 0xCD},
       0x00,
       0},
      {"TransferData3072Form1Area0",
       [](DriveCommands& c) { return c.TransferData(3072, 1, 0); },
       {0xAA, 0, 0, 0, 0, 0, 0x0C, 0, 0, 0, 0, 0},
       0x10,
       3072},
      {"TransferData1024Form0Area5",
       [](DriveCommands& c) { return c.TransferData(1024, 0, 5); },
       {0xE2, 0, 0, 0, 0, 0, 0x04, 0, 0x05, 0},
       0x10,
       1024},
      {"TransferData1024Form2Area1",
       [](DriveCommands& c) { return c.TransferData(1024, 2, 1); },
       {0xE2, 0, 0, 0, 0, 0, 0x04, 0, 0x01, 0},
       0x10,
       1024},
      {"TransferData0x1FFForm1Area1",
       [](DriveCommands& c) { return c.TransferData(0x1FF, 1, 1); },
       {0xAA, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x01, 0, 0, 0},
       0x10,
       0x1FF},
  };
  return table;
}

// The direction as the pass-through header spells it.
std::uint8_t PassThroughDataIn(std::uint8_t direction) {
  switch (direction) {
    case 0x10:
      return 0;
    case 0x08:
      return 1;
    default:
      return 2;
  }
}

using CommandParam = std::tuple<std::size_t, Via>;

class DriveCommandTest : public ::testing::TestWithParam<CommandParam> {
 protected:
  const CommandCase& Case() const { return CommandTable().at(std::get<0>(GetParam())); }
  Bytes ExpectedCdb() const {
    Bytes cdb = Case().block;
    cdb.resize(16, 0);
    return cdb;
  }

  CommandRig rig{std::get<1>(GetParam())};
};

TEST_P(DriveCommandTest, BlockDirectionAndDataPhase) {
  const CommandCase& c = Case();
  const auto length = static_cast<std::size_t>(c.dataLength);
  ScsiRequest& request = rig.request();
  // Leftovers of an earlier command in the block and the data buffer.
  std::fill_n(request.aspi.CDBByte, 12, std::uint8_t{0xEE});
  const Bytes outgoing = Pattern(kMaxDataLength, 7);
  std::copy(outgoing.begin(), outgoing.end(), request.Data());
  const Bytes incoming = Pattern(length, 0x90);
  if (c.direction == 0x08) rig.ReplyData(incoming);

  ASSERT_EQ(c.send(rig.commands()), 1);
  ASSERT_EQ(rig.CommandsSent(), 1u);

  // What every command writes into the record, whatever the transport.
  const SrbExecScsiCmd& record = request.aspi;
  EXPECT_EQ(record.SRB_HaId, kHostAdapter);
  EXPECT_EQ(record.SRB_Target, kTargetId);
  EXPECT_EQ(record.SRB_CDBLen, c.block.size());
  EXPECT_EQ(Bytes(record.CDBByte, record.CDBByte + 16), ExpectedCdb());

  if (rig.via() == Via::Aspi) {
    const ReceivedAspiCommand& sent = rig.aspi.received[0];
    for (const SrbExecScsiCmd* srb : {&sent.srb, &record}) {
      EXPECT_EQ(srb->SRB_Cmd, 2);
      EXPECT_EQ(srb->SRB_Flags, c.direction | 0x40);
      EXPECT_EQ(srb->SRB_HaId, kHostAdapter);
      EXPECT_EQ(srb->SRB_Target, kTargetId);
      EXPECT_EQ(srb->SRB_Lun, 0);
      EXPECT_EQ(srb->SRB_BufLen, length);
      EXPECT_EQ(srb->SRB_SenseLen, 16);
      EXPECT_EQ(srb->SRB_CDBLen, c.block.size());
      EXPECT_EQ(Bytes(srb->CDBByte, srb->CDBByte + 16), ExpectedCdb());
    }
    EXPECT_EQ(record.SRB_BufPointer, request.Data());
    if (c.direction == 0x10) {
      EXPECT_EQ(sent.dataOut, Bytes(outgoing.begin(), outgoing.begin() + c.dataLength));
    }
  } else {
    const IssuedPassThrough& sent = rig.passThrough.issued[0];
    const Bytes& b = sent.buffer;
    EXPECT_EQ(sent.device, "\\\\.\\cdrom2");
    ASSERT_EQ(b.size(), 80 + length);
    EXPECT_EQ(b[0] | (b[1] << 8), 44);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[4], 0);
    EXPECT_EQ(b[5], 0);
    EXPECT_EQ(b[6], c.block.size());
    EXPECT_EQ(b[7], 14);
    EXPECT_EQ(b[8], PassThroughDataIn(c.direction));
    EXPECT_EQ(Le32(b, 12), length);
    EXPECT_EQ(Le32(b, 16), 2u);
    EXPECT_EQ(Le32(b, 20), 80u);
    EXPECT_EQ(Le32(b, 24), 48u);
    EXPECT_EQ(Bytes(b.begin() + 28, b.begin() + 44), ExpectedCdb());
    EXPECT_EQ(record.SRB_Flags, c.direction);
    if (c.direction == 0x10) {
      EXPECT_EQ(Bytes(b.begin() + 80, b.end()),
                Bytes(outgoing.begin(), outgoing.begin() + c.dataLength));
    }
  }

  if (c.direction == 0x08) {
    EXPECT_EQ(Bytes(request.Data(), request.Data() + length), incoming);
  }
}

TEST_P(DriveCommandTest, ReturnsTheTransportsFailureWithItsSenseCodes) {
  rig.ReplySense(0xF7, 0x02);
  EXPECT_EQ(Case().send(rig.commands()), 0);
  EXPECT_EQ(rig.request().asc, 0xF7);
  EXPECT_EQ(rig.request().ascq, 0x02);
}

std::string CommandParamName(const ::testing::TestParamInfo<CommandParam>& info) {
  return std::string(CommandTable().at(std::get<0>(info.param)).name) + "_" +
         ViaName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Commands, DriveCommandTest,
                         ::testing::Combine(::testing::Range<std::size_t>(0, CommandTable().size()),
                                            ::testing::Values(Via::Aspi, Via::PassThrough)),
                         CommandParamName);

class DriveCommandSequenceTest : public ::testing::TestWithParam<Via> {
 protected:
  CommandRig rig{GetParam()};
};

TEST_P(DriveCommandSequenceTest, TenByteCommandAfterATwelveByteOne) {
  ASSERT_EQ(rig.commands().ConfirmSumCode(1, 0x1234, 2.0), 1);
  ASSERT_EQ(rig.commands().PrepareFlash(0), 1);

  const SrbExecScsiCmd& record = rig.request().aspi;
  EXPECT_EQ(record.SRB_CDBLen, 10);
  EXPECT_EQ(record.CDBByte[10], 0);
  EXPECT_EQ(record.CDBByte[11], 0);
  if (GetParam() == Via::Aspi) {
    const SrbExecScsiCmd& sent = rig.aspi.received.at(1).srb;
    EXPECT_EQ(sent.SRB_CDBLen, 10);
    EXPECT_EQ(Bytes(sent.CDBByte, sent.CDBByte + 16),
              (Bytes{0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  } else {
    const Bytes& b = rig.passThrough.issued.at(1).buffer;
    EXPECT_EQ(b.at(6), 10);
    EXPECT_EQ(Bytes(b.begin() + 28, b.begin() + 44),
              (Bytes{0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST_P(DriveCommandSequenceTest, DataInAfterDataOutReplacesTheBuffersStart) {
  std::fill_n(rig.request().Data(), 3072, std::uint8_t{0x5A});
  ASSERT_EQ(rig.commands().TransferData(3072, 0, 1), 1);
  const Bytes inquiry = Pattern(36, 0x41);
  rig.ReplyData(inquiry);
  ASSERT_EQ(rig.commands().Inquiry(), 1);
  EXPECT_EQ(Bytes(rig.request().Data(), rig.request().Data() + 36), inquiry);
  EXPECT_EQ(rig.request().Data()[36], 0x5A);
}

INSTANTIATE_TEST_SUITE_P(Transports, DriveCommandSequenceTest,
                         ::testing::Values(Via::Aspi, Via::PassThrough),
                         [](const ::testing::TestParamInfo<Via>& p) { return ViaName(p.param); });

}  // namespace
}  // namespace drivesmith::testing
