// The ASPI, pass-through and platform adapters driven with hand-built
// request blocks, as the platform interfaces would receive them.

#include <gtest/gtest.h>

#include <cstring>

#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/simulator/DriveBench.h"
#include "transport/ScsiRequest.h"

namespace drivesmith::sim {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
namespace cdb = testing::cdb;
namespace pt = drivesmith::passthrough;

// --- ASPI ----------------------------------------------------------------------

class SimulatedAspiTest : public ::testing::Test {
 protected:
  SrbExecScsiCmd Block(std::uint8_t ha, std::uint8_t target, const Bytes& block,
                       std::uint8_t direction, std::uint8_t* buffer, std::uint32_t length,
                       AspiEvent event) {
    SrbExecScsiCmd srb{};
    srb.SRB_Cmd = aspi::kExecScsiCommand;
    srb.SRB_HaId = ha;
    srb.SRB_Target = target;
    srb.SRB_Flags = static_cast<std::uint8_t>(direction | aspi::kFlagEventNotify);
    srb.SRB_BufPointer = buffer;
    srb.SRB_BufLen = length;
    srb.SRB_SenseLen = aspi::kSenseLength;
    srb.SRB_CDBLen = static_cast<std::uint8_t>(block.size());
    srb.SRB_PostProc = reinterpret_cast<void*>(event);
    std::memcpy(srb.CDBByte, block.data(), block.size());
    return srb;
  }

  SimulatedClock clock;
  SimulatedDrive drive{DriveModel{}, clock};
  SimulatedAspi aspi{clock};
};

TEST_F(SimulatedAspiTest, CheckConditionGivesErrorStatusWithTheSense) {
  aspi.Attach(0, 0, drive);
  const AspiEvent event = aspi.CreateCompletionEvent();
  SrbExecScsiCmd srb = Block(0, 0, cdb::TestUnitReady(), aspi::kFlagNoData, nullptr, 0, event);
  std::memset(srb.SenseArea, 0xCC, sizeof srb.SenseArea);
  aspi.SendCommand(&srb);
  EXPECT_EQ(srb.SRB_Status, aspi::kStatusError);
  EXPECT_EQ(srb.SRB_TargStat, kStatusCheckCondition);
  EXPECT_EQ(srb.SenseArea[0], 0x70);
  EXPECT_EQ(srb.SenseArea[2], kSenseKeyNotReady);
  EXPECT_EQ(srb.SenseArea[12], asc::kMediumNotPresent);
  EXPECT_EQ(srb.SenseArea[13], 0);
  EXPECT_EQ(srb.SenseArea[15], 0);  // 16 bytes of the drive's sense
  EXPECT_TRUE(aspi.WaitForCompletion(event, 5000ms));
  aspi.ReleaseCompletionEvent(event);
}

TEST_F(SimulatedAspiTest, AnAddressWithoutADriveIsNoDevice) {
  aspi.Attach(0, 1, drive);
  const AspiEvent event = aspi.CreateCompletionEvent();
  for (auto [ha, target] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{255, 15}}) {
    SrbExecScsiCmd srb = Block(static_cast<std::uint8_t>(ha), static_cast<std::uint8_t>(target),
                               cdb::Inquiry(), aspi::kFlagDataIn, nullptr, 0, event);
    EXPECT_EQ(aspi.SendCommand(&srb), aspi_status::kNoDevice);
    EXPECT_EQ(srb.SRB_Status, aspi_status::kNoDevice);
  }
  SrbExecScsiCmd lun = Block(0, 1, cdb::Inquiry(), aspi::kFlagDataIn, nullptr, 0, event);
  lun.SRB_Lun = 1;
  aspi.SendCommand(&lun);
  EXPECT_EQ(lun.SRB_Status, aspi_status::kNoDevice);
  EXPECT_TRUE(drive.Trace().empty());
  EXPECT_FALSE(aspi.WaitForCompletion(event, 10ms));
  aspi.ReleaseCompletionEvent(event);
}

TEST_F(SimulatedAspiTest, ANonRespondingDriveLeavesTheBlockPendingForever) {
  DriveModel model;
  model.faults.stopRespondingAfter = 0;
  SimulatedDrive silent(model, clock);
  aspi.Attach(0, 0, silent);
  const AspiEvent event = aspi.CreateCompletionEvent();
  SrbExecScsiCmd srb = Block(0, 0, cdb::TestUnitReady(), aspi::kFlagNoData, nullptr, 0, event);
  EXPECT_EQ(aspi.SendCommand(&srb), aspi::kStatusPending);
  EXPECT_EQ(srb.SRB_Status, aspi::kStatusPending);
  EXPECT_FALSE(aspi.WaitForCompletion(event, 5000ms));
  EXPECT_EQ(clock.TotalSlept(), 5000ms);
  EXPECT_FALSE(aspi.WaitForCompletion(event, 5000ms));
  EXPECT_EQ(srb.SRB_Status, aspi::kStatusPending);
  EXPECT_EQ(aspi.CommandsLeftPending(), 1);
  aspi.ReleaseCompletionEvent(event);
}

// --- Pass-through ----------------------------------------------------------------

// A request buffer laid out as the storage driver expects it.
pt::Buffer PassThroughRequest(const Bytes& block, std::uint8_t dataIn, std::uint32_t length) {
  pt::Buffer buffer{};
  pt::Put16(buffer, pt::kLength, pt::kHeaderLength);
  buffer[pt::kScsiStatus] = pt::kStatusUnset;
  buffer[pt::kCdbLength] = static_cast<std::uint8_t>(block.size());
  buffer[pt::kSenseInfoLength] = pt::kSenseInfoLengthValue;
  buffer[pt::kDataIn] = dataIn;
  pt::Put32(buffer, pt::kDataTransferLength, length);
  pt::Put32(buffer, pt::kTimeOutValue, pt::kTimeOutSeconds);
  pt::Put32(buffer, pt::kDataBufferOffset, pt::kDataOffset);
  pt::Put32(buffer, pt::kSenseInfoOffset, pt::kSenseOffset);
  std::copy(block.begin(), block.end(), buffer.begin() + pt::kCdb);
  return buffer;
}

class SimulatedPassThroughTest : public ::testing::Test {
 protected:
  void Issue(pt::Buffer& buffer, std::uint32_t length, const std::string& name = "\\\\.\\cdrom0") {
    auto device = passThrough.Open(name);
    ASSERT_TRUE(device);
    device->IssuePassThrough({buffer.data(), pt::kDataOffset + length});
  }

  SimulatedClock clock;
  SimulatedDrive drive{DriveModel{}, clock};
  SimulatedPassThrough passThrough{clock};
};

TEST_F(SimulatedPassThroughTest, CheckConditionCopiesTheRequestedSenseBytes) {
  passThrough.Attach("\\\\.\\d:", drive);
  pt::Buffer buffer = PassThroughRequest(cdb::TestUnitReady(), pt::kNoData, 0);
  std::fill(buffer.begin() + pt::kSenseOffset, buffer.begin() + pt::kDataOffset, 0xCC);
  Issue(buffer, 0, "\\\\.\\d:");
  EXPECT_EQ(buffer[pt::kScsiStatus], kStatusCheckCondition);
  EXPECT_EQ(buffer[pt::kSenseOffset + 0], 0x70);
  EXPECT_EQ(buffer[pt::kSenseOffset + 12], asc::kMediumNotPresent);
  EXPECT_EQ(buffer[pt::kSenseOffset + 13], 0);
  EXPECT_EQ(buffer[pt::kSenseOffset + 14], 0xCC);  // SenseInfoLength 14
}

TEST_F(SimulatedPassThroughTest, ANonRespondingDriveTakesTheTimeOutAndLeavesTheStatus) {
  DriveModel model;
  model.faults.stopRespondingAfter = 0;
  SimulatedDrive silent(model, clock);
  passThrough.Attach("\\\\.\\cdrom0", silent);
  pt::Buffer buffer = PassThroughRequest(cdb::TestUnitReady(), pt::kNoData, 0);
  Issue(buffer, 0);
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
  EXPECT_EQ(clock.TotalSlept(), 2000ms);
}

struct RefusedHeader {
  std::string name;
  void (*spoil)(pt::Buffer&);
};

class RefusedPassThroughTest : public SimulatedPassThroughTest,
                               public ::testing::WithParamInterface<RefusedHeader> {};

TEST_P(RefusedPassThroughTest, LeavesTheStatusAndSendsNothing) {
  passThrough.Attach("\\\\.\\cdrom0", drive);
  pt::Buffer buffer = PassThroughRequest(cdb::Inquiry(), pt::kDataInDir, 36);
  GetParam().spoil(buffer);
  Issue(buffer, 36);
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
  EXPECT_TRUE(drive.Trace().empty());
  EXPECT_EQ(passThrough.Statistics().refusedRequests, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, RefusedPassThroughTest,
    ::testing::Values(
        RefusedHeader{"WrongLength", [](pt::Buffer& b) { pt::Put16(b, pt::kLength, 40); }},
        RefusedHeader{"NoBlock", [](pt::Buffer& b) { b[pt::kCdbLength] = 0; }},
        RefusedHeader{"BlockTooLong", [](pt::Buffer& b) { b[pt::kCdbLength] = 17; }},
        RefusedHeader{"BadDirection", [](pt::Buffer& b) { b[pt::kDataIn] = 3; }},
        RefusedHeader{"DataBeyondBuffer",
                      [](pt::Buffer& b) { pt::Put32(b, pt::kDataTransferLength, 37); }},
        RefusedHeader{"DataInsideHeader",
                      [](pt::Buffer& b) { pt::Put32(b, pt::kDataBufferOffset, 8); }},
        RefusedHeader{"SenseBeyondBuffer",
                      [](pt::Buffer& b) { pt::Put32(b, pt::kSenseInfoOffset, 200); }}),
    [](const auto& testInfo) { return testInfo.param.name; });

}  // namespace
}  // namespace drivesmith::sim
