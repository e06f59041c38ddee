// The ASPI, pass-through and platform adapters driven with hand-built
// request blocks, as the platform interfaces would receive them.

#include <gtest/gtest.h>

#include <cstring>

#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedPassThrough.h"
#include "simulator/SimulatedPlatform.h"
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

TEST_F(SimulatedAspiTest, SupportInfoCountsTheAdaptersWithDrives) {
  EXPECT_EQ(aspi.GetSupportInfo(), 0x0100u);
  SimulatedDrive other(DriveModel{}, clock);
  aspi.Attach(0, 1, drive);
  aspi.Attach(0, 3, other);
  aspi.Attach(2, 0, other);
  EXPECT_EQ(aspi.GetSupportInfo(), 0x0102u);
  aspi.OverrideSupportInfo(0xE800);
  EXPECT_EQ(aspi.GetSupportInfo(), 0xE800u);
}

TEST_F(SimulatedAspiTest, CompletesAtOnceAndSignalsTheEvent) {
  aspi.Attach(1, 2, drive);
  const AspiEvent event = aspi.CreateCompletionEvent();
  ASSERT_NE(event, kNoEvent);
  Bytes data(36, 0);
  SrbExecScsiCmd srb = Block(1, 2, cdb::Inquiry(), aspi::kFlagDataIn, data.data(), 36, event);
  EXPECT_EQ(aspi.SendCommand(&srb), aspi::kStatusCompleted);
  EXPECT_EQ(srb.SRB_Status, aspi::kStatusCompleted);
  EXPECT_EQ(data[0], 0x05);
  EXPECT_EQ(std::string(data.begin() + 16, data.begin() + 32), "ZWR2040 DVD-RW  ");
  EXPECT_TRUE(aspi.WaitForCompletion(event, 5000ms));
  EXPECT_FALSE(aspi.WaitForCompletion(event, 5000ms));  // automatic reset
  EXPECT_EQ(clock.Now(), 5000ms);
  aspi.ReleaseCompletionEvent(event);
  EXPECT_EQ(aspi.EventsOpen(), 0u);
  EXPECT_EQ(aspi.UnknownEventCalls(), 0);
  ASSERT_EQ(drive.Trace().size(), 1u);
  EXPECT_EQ(drive.Trace()[0].cdb, cdb::Inquiry());
  EXPECT_EQ(drive.Trace()[0].direction, DataDirection::In);
}

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

TEST_F(SimulatedAspiTest, DataOutReachesTheDrive) {
  aspi.Attach(0, 0, drive);
  const AspiEvent event = aspi.CreateCompletionEvent();
  SrbExecScsiCmd up = Block(0, 0, cdb::ChangeToUpMode(), aspi::kFlagNoData, nullptr, 0, event);
  aspi.SendCommand(&up);
  Bytes block(1024, 0x5A);
  SrbExecScsiCmd srb =
      Block(0, 0, cdb::TransferData(1024, false, 2), aspi::kFlagDataOut, block.data(), 1024, event);
  aspi.SendCommand(&srb);
  EXPECT_EQ(srb.SRB_Status, aspi::kStatusCompleted);
  EXPECT_EQ(drive.AreaData(2), block);
  EXPECT_EQ(drive.Trace().back().cdb.size(), 10u);  // SRB_CDBLen, not all 16 bytes
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

TEST_F(SimulatedAspiTest, EventBookkeepingCountsMisuse) {
  const AspiEvent a = aspi.CreateCompletionEvent();
  const AspiEvent b = aspi.CreateCompletionEvent();
  EXPECT_NE(a, b);
  EXPECT_EQ(aspi.EventsCreated(), 2);
  EXPECT_EQ(aspi.EventsOpen(), 2u);
  aspi.ResetCompletionEvent(a);
  aspi.ReleaseCompletionEvent(a);
  aspi.ReleaseCompletionEvent(a);  // twice
  aspi.ResetCompletionEvent(a);    // after release
  EXPECT_EQ(aspi.EventsReleased(), 1);
  EXPECT_EQ(aspi.UnknownEventCalls(), 2);
  EXPECT_EQ(aspi.EventsOpen(), 1u);
  aspi.FailEventCreation(true);
  EXPECT_EQ(aspi.CreateCompletionEvent(), kNoEvent);
  aspi.ReleaseCompletionEvent(b);
}

TEST_F(SimulatedAspiTest, ExportsBothEntryPointsUnlessOneIsRemoved) {
  EXPECT_TRUE(aspi.HasEntryPoint("GetASPI32SupportInfo"));
  EXPECT_TRUE(aspi.HasEntryPoint("SendASPI32Command"));
  EXPECT_FALSE(aspi.HasEntryPoint("GetASPI32Buffer"));
  aspi.RemoveEntryPoint("SendASPI32Command");
  EXPECT_FALSE(aspi.HasEntryPoint("SendASPI32Command"));
  EXPECT_TRUE(aspi.HasEntryPoint("GetASPI32SupportInfo"));
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

TEST_F(SimulatedPassThroughTest, OpensOnlyAttachedNamesAndCountsHandles) {
  passThrough.Attach("\\\\.\\cdrom0", drive);
  passThrough.Attach("/dev/sg3", drive);
  EXPECT_EQ(passThrough.Open("\\\\.\\cdrom1"), nullptr);
  EXPECT_EQ(passThrough.Open("\\\\.\\CDROM0"), nullptr);
  {
    auto first = passThrough.Open("\\\\.\\cdrom0");
    auto second = passThrough.Open("/dev/sg3");
    EXPECT_TRUE(first && second);
    EXPECT_EQ(passThrough.Statistics().opened - passThrough.Statistics().closed, 2);
  }
  EXPECT_EQ(passThrough.Statistics().closed, 2);
  EXPECT_EQ(passThrough.Statistics().failedOpens, 2);
  EXPECT_EQ(passThrough.OpenAttempts().size(), 4u);
}

TEST_F(SimulatedPassThroughTest, GoodStatusWithDataInAtTheDataOffset) {
  passThrough.Attach("\\\\.\\cdrom0", drive);
  pt::Buffer buffer = PassThroughRequest(cdb::Inquiry(), pt::kDataInDir, 36);
  Issue(buffer, 36);
  EXPECT_EQ(buffer[pt::kScsiStatus], 0);
  EXPECT_EQ(buffer[pt::kDataOffset], 0x05);
  EXPECT_EQ(
      std::string(buffer.begin() + pt::kDataOffset + 8, buffer.begin() + pt::kDataOffset + 16),
      "TAVIX   ");
  EXPECT_EQ(pt::Get32(buffer, pt::kDataTransferLength), 36u);
  EXPECT_EQ(buffer[pt::kSenseOffset + 12], 0);
}

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

TEST_F(SimulatedPassThroughTest, DataOutAndTheRealBlockLength) {
  passThrough.Attach("\\\\.\\cdrom0", drive);
  pt::Buffer up = PassThroughRequest(cdb::ChangeToUpMode(), pt::kNoData, 0);
  Issue(up, 0);
  pt::Buffer buffer = PassThroughRequest(cdb::TransferData(3072, false, 1), pt::kDataOut, 3072);
  std::fill_n(buffer.begin() + pt::kDataOffset, 3072, 0x3C);
  Issue(buffer, 3072);
  EXPECT_EQ(buffer[pt::kScsiStatus], 0);
  EXPECT_EQ(drive.AreaData(1), Bytes(3072, 0x3C));
  EXPECT_EQ(drive.Trace().back().cdb, cdb::TransferData(3072, false, 1));
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

// --- Platform ------------------------------------------------------------------

TEST(SimulatedPlatform, HandsOutTheAspiLibraryAndCountsItsRelease) {
  SimulatedClock clock;
  SimulatedAspi aspi(clock);
  SimulatedPlatform platform(kPlatformWin9x);
  EXPECT_EQ(platform.PlatformId(), kPlatformWin9x);
  EXPECT_EQ(platform.LoadAspiLibrary("WNASPI32.DLL"), nullptr);  // none installed
  platform.SetAspi(&aspi);
  EXPECT_EQ(platform.LoadAspiLibrary("OTHER.DLL"), nullptr);
  {
    auto library = platform.LoadAspiLibrary("wnaspi32.dll");
    ASSERT_TRUE(library);
    EXPECT_EQ(library->GetSupportInfo(), 0x0100u);
    EXPECT_TRUE(library->HasEntryPoint("SendASPI32Command"));
    const AspiEvent event = library->CreateCompletionEvent();
    EXPECT_EQ(aspi.EventsCreated(), 1);
    library->ReleaseCompletionEvent(event);
    EXPECT_EQ(platform.LibrariesHeld(), 1);
  }
  EXPECT_EQ(platform.LibrariesLoaded(), 1);
  EXPECT_EQ(platform.LibrariesReleased(), 1);
  EXPECT_EQ(platform.LoadAttempts().size(), 3u);
  platform.SetPlatformId(0);
  EXPECT_EQ(platform.PlatformId(), 0u);
}

TEST(SimulatedPlatform, RecordsMessageBoxes) {
  SimulatedPlatform platform;
  EXPECT_EQ(platform.PlatformId(), kPlatformNt);
  platform.ShowMessageBox("Not found ASPI MANAGER", "Caption", MessageBoxKind::ErrorOk);
  ASSERT_EQ(platform.MessageBoxes().size(), 1u);
  EXPECT_EQ(platform.MessageBoxes()[0].text, "Not found ASPI MANAGER");
  EXPECT_EQ(platform.MessageBoxes()[0].caption, "Caption");
  EXPECT_EQ(platform.MessageBoxes()[0].kind, MessageBoxKind::ErrorOk);
}

}  // namespace
}  // namespace drivesmith::sim
