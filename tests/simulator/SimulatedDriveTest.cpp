// The simulated drive driven directly with command blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "simulator/FlashMemory.h"
#include "simulator/SimulatedDrive.h"
#include "tests/simulator/DriveBench.h"

namespace drivesmith::sim {
namespace {

using namespace std::chrono_literals;
using testing::AscOf;
using testing::AscqOf;
using testing::Bytes;
using testing::DriveBench;
using testing::OneMegabyteModel;
using testing::TwoMegabyteModel;
namespace cdb = testing::cdb;

void ExpectCheck(const CommandOutcome& outcome, std::uint8_t senseKey, std::uint8_t ascCode,
                 std::uint8_t ascq = 0) {
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(outcome.status, kStatusCheckCondition);
  EXPECT_EQ(outcome.sense[0], 0x70);
  EXPECT_EQ(outcome.sense[2], senseKey);
  EXPECT_EQ(outcome.sense[7], 10);
  EXPECT_EQ(AscOf(outcome), ascCode);
  EXPECT_EQ(AscqOf(outcome), ascq);
}

// --- Normal mode ---------------------------------------------------------------

TEST(SimulatedDrive, VendorCommandsOutsideUpModeAreInvalidAndChangeNothing) {
  DriveBench bench(OneMegabyteModel());
  const Bytes before = bench.drive.Flash();
  ExpectCheck(bench.Run(cdb::PrepareFlash(0)), kSenseKeyIllegalRequest, asc::kInvalidOpcode);
  ExpectCheck(bench.Run(cdb::WriteFlash(false)), kSenseKeyIllegalRequest, asc::kInvalidOpcode);
  ExpectCheck(bench.Run(cdb::EraseFlash(true)), kSenseKeyIllegalRequest, asc::kInvalidOpcode);
  ExpectCheck(bench.Run(cdb::ConfirmSumCode(1, 0, 2.01)), kSenseKeyIllegalRequest,
              asc::kInvalidOpcode);
  ExpectCheck(bench.Transfer(Bytes(3072, 1), 0, false), kSenseKeyIllegalRequest,
              asc::kInvalidOpcode);
  ExpectCheck(bench.Transfer(Bytes(3072, 1), 0, true), kSenseKeyIllegalRequest,
              asc::kInvalidOpcode);
  EXPECT_TRUE(bench.drive.AreaData(0).empty());
  EXPECT_FALSE(bench.drive.PreparedWith());
  EXPECT_EQ(bench.drive.Flash(), before);
}

TEST(SimulatedDrive, UnknownOperationCodesAreInvalidInBothModes) {
  DriveBench bench(TwoMegabyteModel());
  for (int pass = 0; pass < 2; ++pass) {
    for (std::uint8_t code :
         std::initializer_list<std::uint8_t>{0x28, 0xBB, 0xE3, 0xE5, 0xFF, 0x08}) {
      SCOPED_TRACE(static_cast<int>(code));
      Bytes block(code >= 0xA0 && code < 0xC0 ? 12 : (code >= 0x20 ? 10 : 6), 0);
      block[0] = code;
      ExpectCheck(bench.Run(block), kSenseKeyIllegalRequest, asc::kInvalidOpcode);
    }
    ExpectCheck(bench.drive.Execute({}, DataDirection::None, {}), kSenseKeyIllegalRequest,
                asc::kInvalidOpcode);
    bench.Run(cdb::ChangeToUpMode());
  }
}

// --- Background commands of operating systems ------------------------------

struct BackgroundCase {
  Bytes block;
  std::uint8_t status;
  std::uint8_t asc;
  std::uint32_t dataIn;
};

class BackgroundCommandTest : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(BackgroundCommandTest, AnsweredAlikeInBothModes) {
  const BackgroundCase& c = GetParam();
  DriveBench bench(TwoMegabyteModel());
  for (int pass = 0; pass < 2; ++pass) {
    Bytes answer(64, 0xCC);
    CommandOutcome outcome = bench.RunIn(c.block, answer);
    EXPECT_TRUE(outcome.answered);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(AscOf(outcome), c.asc);
    EXPECT_EQ(outcome.dataIn, c.dataIn);
    bench.Run(cdb::ChangeToUpMode());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, BackgroundCommandTest,
    ::testing::Values(
        BackgroundCase{{0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0}, kStatusGood, 0, 4},
        BackgroundCase{{0x1A, 0, 0x3F, 0, 0xFF, 0}, kStatusGood, 0, 4},
        BackgroundCase{{0x5A, 0, 0x3F, 0, 0, 0, 0, 0, 0xFF, 0}, kStatusGood, 0, 8},
        BackgroundCase{{0x46, 0x02, 0, 0, 0, 0, 0, 0, 8, 0}, kStatusGood, 0, 8},
        BackgroundCase{{0x46, 0x02, 0, 0, 0, 0, 0, 0, 4, 0}, kStatusGood, 0, 4},
        BackgroundCase{{0x1E, 0, 0, 0, 1, 0}, kStatusGood, 0, 0},
        BackgroundCase{{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kStatusCheckCondition, 0x3A, 0},
        BackgroundCase{{0x43, 0, 0, 0, 0, 0, 0, 0, 12, 0}, kStatusCheckCondition, 0x3A, 0},
        BackgroundCase{{0x51, 0, 0, 0, 0, 0, 0, 0, 32, 0}, kStatusCheckCondition, 0x3A, 0},
        BackgroundCase{{0x4A, 0x01}, kStatusCheckCondition, 0x24, 0}));  // block too short

// --- TransferData ------------------------------------------------------------

struct BadTransfer {
  std::string name;
  LoaderLayout layout;
  Bytes block;
  DataDirection direction;
  std::size_t dataLength;
};

class BadTransferTest : public ::testing::TestWithParam<BadTransfer> {};

TEST_P(BadTransferTest, IsRefusedAsAnInvalidFieldAndNotCollected) {
  const BadTransfer& c = GetParam();
  DriveModel model;
  model.layout = c.layout;
  DriveBench bench(model);
  bench.Run(cdb::ChangeToUpMode());
  Bytes data(c.dataLength, 7);
  ExpectCheck(bench.drive.Execute(c.block, c.direction, data), kSenseKeyIllegalRequest,
              asc::kInvalidField);
  for (std::uint8_t area : std::initializer_list<std::uint8_t>{0, 1, 2, 5})
    EXPECT_TRUE(bench.drive.AreaData(area).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadTransferTest,
    ::testing::Values(BadTransfer{"LengthBelowData", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(1024, false, 1), DataDirection::Out, 3072},
                      BadTransfer{"LengthAboveData", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(3072, false, 1), DataDirection::Out, 1024},
                      BadTransfer{"DataIn", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(1024, false, 1), DataDirection::In, 1024},
                      BadTransfer{"NoData", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(0, false, 1), DataDirection::None, 0},
                      BadTransfer{"Area0OnTwoMegabyte", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(1024, false, 0), DataDirection::Out, 1024},
                      BadTransfer{"Area3OnTwoMegabyte", LoaderLayout::TwoMegabyte,
                                  cdb::TransferData(1024, false, 3), DataDirection::Out, 1024},
                      BadTransfer{"Area1OnOneMegabyte", LoaderLayout::OneMegabyte,
                                  cdb::TransferData(1024, true, 1), DataDirection::Out, 1024},
                      BadTransfer{"TenByteFormAsTwelve", LoaderLayout::OneMegabyte,
                                  [] {
                                    Bytes b = cdb::TransferData(1024, false, 0);
                                    b.resize(12);
                                    return b;
                                  }(),
                                  DataDirection::Out, 1024}),
    [](const auto& testInfo) { return testInfo.param.name; });

// --- PrepareFlash ------------------------------------------------------------

struct PrepareCase {
  LoaderLayout layout;
  std::optional<std::uint8_t> onlyParameter;
  std::uint8_t parameter;
  bool accepted;
};

class PrepareFlashTest : public ::testing::TestWithParam<PrepareCase> {};

TEST_P(PrepareFlashTest, AcceptsTheLayoutsParameters) {
  const PrepareCase& c = GetParam();
  DriveModel model;
  model.layout = c.layout;
  model.faults.acceptedPrepareParameter = c.onlyParameter;
  DriveBench bench(model);
  bench.Run(cdb::ChangeToUpMode());
  CommandOutcome outcome = bench.Run(cdb::PrepareFlash(c.parameter));
  if (c.accepted) {
    EXPECT_EQ(outcome.status, kStatusGood);
    EXPECT_EQ(bench.drive.PreparedWith(), c.parameter);
  } else {
    ExpectCheck(outcome, kSenseKeyIllegalRequest, asc::kInvalidField);
    EXPECT_FALSE(bench.drive.PreparedWith());
  }
}

constexpr auto k1M = LoaderLayout::OneMegabyte;
constexpr auto k2M = LoaderLayout::TwoMegabyte;
INSTANTIATE_TEST_SUITE_P(
    Parameters, PrepareFlashTest,
    ::testing::Values(PrepareCase{k1M, {}, 0, true}, PrepareCase{k1M, {}, 1, true},
                      PrepareCase{k1M, {}, 2, true}, PrepareCase{k1M, {}, 3, false},
                      PrepareCase{k2M, {}, 0, true}, PrepareCase{k2M, {}, 1, false},
                      PrepareCase{k2M, {}, 2, false}, PrepareCase{k1M, 2, 0, false},
                      PrepareCase{k1M, 2, 1, false}, PrepareCase{k1M, 2, 2, true},
                      PrepareCase{k2M, 1, 0, false}, PrepareCase{k2M, 1, 1, true}));

TEST(SimulatedDrive, FlashWorkBeforePrepareFlashIsACommandSequenceError) {
  for (LoaderLayout layout : {k1M, k2M}) {
    DriveModel model;
    model.layout = layout;
    DriveBench bench(model);
    bench.Run(cdb::ChangeToUpMode());
    const Bytes& start = layout == k1M ? cdb::WriteFlash(false) : cdb::EraseFlash(false);
    ExpectCheck(bench.Run(start), kSenseKeyIllegalRequest, asc::kCommandSequenceError);
    EXPECT_EQ(bench.drive.Work(), WorkState::Idle);
  }
}

// --- One-megabyte work -------------------------------------------------------

TEST(SimulatedDrive, OneMegabyteWorkWithAShortAreaFailsAndLeavesTheFlashAlone) {
  DriveBench bench(OneMegabyteModel());
  const Bytes image = testing::MakeImage(1, 11);
  const Bytes before = bench.drive.Flash();
  bench.Run(cdb::ChangeToUpMode());
  ASSERT_TRUE(bench.SendArea(image, 0, image.size() - 1024, 0));
  bench.Run(cdb::PrepareFlash(0));
  ASSERT_EQ(bench.Run(cdb::WriteFlash(false)).status, kStatusGood);
  ExpectCheck(bench.WaitOut(), kSenseKeyHardwareError, asc::kAreaLengthWrong);
  ExpectCheck(bench.Run(cdb::TestUnitReady()), kSenseKeyHardwareError, asc::kAreaLengthWrong);
  EXPECT_EQ(bench.drive.Work(), WorkState::Failed);
  EXPECT_EQ(bench.drive.Flash(), before);
}

TEST(SimulatedDrive, WhileTheDriveWorksOtherWorkIsHeldOffAndRequestSenseReportsThePhase) {
  DriveBench bench(OneMegabyteModel());
  const Bytes image = testing::MakeImage(1, 3);
  bench.Run(cdb::ChangeToUpMode());
  bench.SendArea(image, 0, image.size(), 0);
  bench.Run(cdb::PrepareFlash(0));
  bench.Run(cdb::WriteFlash(false));
  bench.clock.Advance(3500ms);
  ExpectCheck(bench.Transfer(Bytes(1024, 0), 0), kSenseKeyNotReady, asc::kWorkInProgress, 1);
  ExpectCheck(bench.Run(cdb::WriteFlash(false)), kSenseKeyNotReady, asc::kWorkInProgress, 1);
  Bytes sense(18, 0);
  ASSERT_EQ(bench.RunIn(cdb::RequestSense(18), sense).status, kStatusGood);
  EXPECT_EQ(sense[12], asc::kWorkInProgress);
  EXPECT_EQ(sense[13], 1);
  EXPECT_EQ(bench.drive.AreaData(0).size(), image.size());
  EXPECT_EQ(bench.WaitOut().sense[12], asc::kMediumNotPresent);
  EXPECT_EQ(bench.drive.Flash(), image);
}

// --- Two-megabyte work -------------------------------------------------------

struct SumLayoutCase {
  std::string revision;
  double hostVersion;  // the version the block is laid out for
  bool accepted;
};

class ConfirmSumLayoutTest : public ::testing::TestWithParam<SumLayoutCase> {};

TEST_P(ConfirmSumLayoutTest, TheLoaderReadsTheBlockByItsOwnVersion) {
  const SumLayoutCase& c = GetParam();
  DriveModel model;
  model.loaderRevision = c.revision;
  DriveBench bench(model);
  const Bytes image = testing::MakeImage(2, 8);
  bench.Run(cdb::ChangeToUpMode());
  bench.Run(cdb::PrepareFlash(0));
  bench.Run(cdb::EraseFlash(false));
  bench.WaitOut();
  ASSERT_TRUE(bench.SendArea(image, 0x8000, 0x100000, 1));
  const std::uint16_t sum = testing::Sum16({image.data() + 0x8000, 0xF8000});
  CommandOutcome outcome = bench.Run(cdb::ConfirmSumCode(1, sum, c.hostVersion));
  if (!c.accepted) {
    EXPECT_EQ(outcome.status, kStatusCheckCondition);
    EXPECT_NE(bench.drive.Work(), WorkState::Running);
    return;
  }
  ASSERT_EQ(outcome.status, kStatusGood);
  ExpectCheck(bench.WaitOut(), kSenseKeyNotReady, asc::kMediumNotPresent);
  EXPECT_TRUE(std::equal(image.begin() + 0x8000, image.begin() + 0x100000,
                         bench.drive.Flash().begin() + 0x8000));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ConfirmSumLayoutTest,
    ::testing::Values(SumLayoutCase{"2.01", 2.01, true}, SumLayoutCase{"2.00", 2.0, true},
                      SumLayoutCase{"1.90", 1.9, true}, SumLayoutCase{"2.10", 2.1, true},
                      SumLayoutCase{"2.01", 2.0, false}, SumLayoutCase{"2.00", 2.01, false},
                      // Read as reported: four characters, leading blanks skipped.
                      SumLayoutCase{" 2.1", 2.1, true}, SumLayoutCase{"2.001", 2.0, true}));

// Commands a prepared loader refuses, and what it answers.
struct RefusedCase {
  std::string name;
  LoaderLayout layout;
  Bytes block;
  std::uint8_t asc;
};

class RefusedInUpModeTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedInUpModeTest, IsRefusedAndStartsNoWork) {
  DriveModel model;
  model.layout = GetParam().layout;
  DriveBench bench(model);
  bench.Run(cdb::ChangeToUpMode());
  bench.Run(cdb::PrepareFlash(0));
  ExpectCheck(bench.Run(GetParam().block), kSenseKeyIllegalRequest, GetParam().asc);
  EXPECT_EQ(bench.drive.Work(), WorkState::Idle);
}

Bytes WithoutFlag(Bytes block, std::size_t at) {
  block[at] = 0;
  return block;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusedInUpModeTest,
    ::testing::Values(
        RefusedCase{"SumOfArea0", k2M, cdb::ConfirmSumCode(0, 0, 2.01), asc::kInvalidField},
        RefusedCase{"SumOfArea3", k2M, cdb::ConfirmSumCode(3, 0, 2.01), asc::kInvalidField},
        RefusedCase{"SumOfArea5", k2M, cdb::ConfirmSumCode(5, 0, 2.01), asc::kInvalidField},
        RefusedCase{"SumWithoutFlag", k2M, WithoutFlag(cdb::ConfirmSumCode(1, 0, 2.01), 7),
                    asc::kInvalidField},
        RefusedCase{"UpModeWithoutFlag", k2M, WithoutFlag(cdb::ChangeToUpMode(), 9),
                    asc::kInvalidField},
        RefusedCase{"TwoMegabyteWriteWithoutLoader", k2M, cdb::WriteFlash(false),
                    asc::kInvalidField},
        RefusedCase{"OneMegabyteErase", k1M, cdb::EraseFlash(false), asc::kInvalidOpcode},
        RefusedCase{"OneMegabyteSum", k1M, cdb::ConfirmSumCode(1, 0, 1.1), asc::kInvalidOpcode}),
    [](const auto& testInfo) { return testInfo.param.name; });

// --- Faults --------------------------------------------------------------------

TEST(SimulatedDriveFaults, MediumNotPresentBeforeChosenBlocksOfEveryArea) {
  DriveModel model = TwoMegabyteModel();
  model.faults.mediumNotPresentBeforeBlock = {{0, 1}, {2, 3}};
  DriveBench bench(model);
  bench.Run(cdb::ChangeToUpMode());
  for (std::uint8_t area : std::initializer_list<std::uint8_t>{1, 2}) {
    SCOPED_TRACE(static_cast<int>(area));
    ExpectCheck(bench.Transfer(Bytes(1024, 0), area), kSenseKeyNotReady, asc::kMediumNotPresent);
    EXPECT_EQ(bench.Transfer(Bytes(1024, 0), area).status, kStatusGood);  // block 0
    EXPECT_EQ(bench.Transfer(Bytes(1024, 1), area).status, kStatusGood);  // block 1
    for (int i = 0; i < 3; ++i) {
      ExpectCheck(bench.Transfer(Bytes(1024, 2), area), kSenseKeyNotReady, asc::kMediumNotPresent);
    }
    EXPECT_EQ(bench.Transfer(Bytes(1024, 2), area).status, kStatusGood);  // block 2
    EXPECT_EQ(bench.Transfer(Bytes(1024, 3), area).status, kStatusGood);  // block 3
    EXPECT_EQ(bench.drive.AreaData(area).size(), 4u * 1024);
    EXPECT_EQ(bench.drive.AreaData(area)[2 * 1024], 2);
  }
}

TEST(SimulatedDriveFaults, FailTheNthCommandCountingEveryCommand) {
  DriveModel model = TwoMegabyteModel();
  model.faults.failCommandNumber = 2;
  model.faults.failAsc = 0x44;
  DriveBench bench(model);
  EXPECT_EQ(bench.Run({0x1E, 0, 0, 0, 1, 0}).status, kStatusGood);             // 0: background
  EXPECT_EQ(bench.Run(cdb::ChangeToUpMode()).status, kStatusGood);             // 1
  ExpectCheck(bench.Run(cdb::PrepareFlash(0)), kSenseKeyHardwareError, 0x44);  // 2
  EXPECT_FALSE(bench.drive.PreparedWith());
  EXPECT_EQ(bench.Run(cdb::PrepareFlash(0)).status, kStatusGood);  // 3
}

TEST(SimulatedDriveFaults, StopRespondingFromACommandOn) {
  DriveModel model = TwoMegabyteModel();
  model.faults.stopRespondingAfter = 1;
  DriveBench bench(model);
  EXPECT_TRUE(bench.Run(cdb::ChangeToUpMode()).answered);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(bench.Run(cdb::PrepareFlash(0)).answered);
  EXPECT_FALSE(bench.drive.PreparedWith());
  EXPECT_EQ(bench.drive.CommandsReceived(), 4);
  ASSERT_EQ(bench.drive.Trace().size(), 4u);
  EXPECT_EQ(bench.drive.Trace().back().status, kStatusNoAnswer);
}

TEST(SimulatedDriveFaults, NeverFinishKeepsReportingTheLastPhase) {
  DriveModel model = TwoMegabyteModel();
  model.faults.neverFinish = true;
  DriveBench bench(model);
  const Bytes old = bench.drive.Flash();
  bench.Run(cdb::ChangeToUpMode());
  bench.Run(cdb::PrepareFlash(0));
  bench.Run(cdb::EraseFlash(false));
  bench.clock.Advance(std::chrono::hours(10));
  ExpectCheck(bench.Run(cdb::TestUnitReady()), kSenseKeyNotReady, asc::kWorkInProgress,
              phase::kErasing);
  EXPECT_EQ(bench.drive.Work(), WorkState::Running);
  EXPECT_EQ(bench.drive.Flash(), old);
}

TEST(SimulatedDriveFaults, WorkErrorIsReportedFromTheStart) {
  DriveModel model = OneMegabyteModel();
  model.faults.workErrorAsc = 0x0C;
  DriveBench bench(model);
  const Bytes image = testing::MakeImage(1, 2);
  const Bytes old = bench.drive.Flash();
  bench.Run(cdb::ChangeToUpMode());
  bench.SendArea(image, 0, image.size(), 0);
  bench.Run(cdb::PrepareFlash(0));
  ASSERT_EQ(bench.Run(cdb::WriteFlash(false)).status, kStatusGood);
  ExpectCheck(bench.Run(cdb::TestUnitReady()), kSenseKeyHardwareError, 0x0C);
  bench.clock.Advance(60s);
  ExpectCheck(bench.Run(cdb::TestUnitReady()), kSenseKeyHardwareError, 0x0C);
  EXPECT_EQ(bench.drive.Flash(), old);
}

TEST(SimulatedDriveFaults, ReportWrongSumFailsEvenACorrectSum) {
  for (LoaderLayout layout : {k1M, k2M}) {
    DriveModel model;
    model.layout = layout;
    model.faults.reportWrongSum = true;
    DriveBench bench(model);
    bench.Run(cdb::ChangeToUpMode());
    bench.Run(cdb::PrepareFlash(0));
    if (layout == k1M) {
      const Bytes image = testing::MakeImage(1, 2);
      bench.SendArea(image, 0, image.size(), 0);
      bench.Run(cdb::WriteFlash(false));
    } else {
      const Bytes image = testing::MakeImage(2, 2);
      bench.SendArea(image, 0x100000, 0x200000, 2);
      bench.Run(cdb::ConfirmSumCode(2, testing::Sum16({image.data() + 0x100000, 0x100000}), 2.01));
    }
    ExpectCheck(bench.WaitOut(), kSenseKeyHardwareError, asc::kSumMismatch);
  }
}

TEST(SimulatedDriveFaults, PhaseDurationSetsTheLengthOfTheWork) {
  DriveModel model = OneMegabyteModel();
  model.phaseDuration = 500ms;
  DriveBench bench(model);
  const Bytes image = testing::MakeImage(1, 2);
  bench.Run(cdb::ChangeToUpMode());
  bench.SendArea(image, 0, image.size(), 0);
  bench.Run(cdb::PrepareFlash(0));
  bench.Run(cdb::WriteFlash(false));
  bench.clock.Advance(1999ms);
  EXPECT_EQ(bench.drive.CurrentPhase(), phase::kFinalSumCheck);
  bench.clock.Advance(1ms);
  EXPECT_EQ(bench.drive.Work(), WorkState::Finished);

  model.phaseDuration = 0ms;
  DriveBench instant(model);
  instant.Run(cdb::ChangeToUpMode());
  instant.SendArea(image, 0, image.size(), 0);
  instant.Run(cdb::PrepareFlash(0));
  instant.Run(cdb::WriteFlash(false));
  ExpectCheck(instant.Run(cdb::TestUnitReady()), kSenseKeyNotReady, asc::kMediumNotPresent);
  EXPECT_EQ(instant.drive.Flash(), image);
}

// --- Trace ---------------------------------------------------------------------

TEST(SimulatedDriveTrace, RecordsEveryCommandAtItsRealLength) {
  DriveModel model = TwoMegabyteModel();
  model.faults.stopRespondingAfter = 3;
  DriveBench bench(model);
  bench.Run(cdb::ChangeToUpMode());
  bench.clock.Advance(123ms);
  bench.Transfer(Bytes(3072, 0), 1);
  bench.Run(cdb::TestUnitReady());
  bench.Run(cdb::TestUnitReady());
  const auto lines = bench.drive.TraceLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "E4 00 00 00 00 00 00 00 00 40 none 0 status 00 asc 00 ascq 00 t=0ms");
  EXPECT_EQ(lines[1], "E2 00 00 00 00 00 0C 00 01 00 out 3072 status 00 asc 00 ascq 00 t=123ms");
  EXPECT_EQ(lines[2], "00 00 00 00 00 80 none 0 status 02 asc 3A ascq 00 t=123ms");
  EXPECT_EQ(lines[3], "00 00 00 00 00 80 none 0 status FF asc 00 ascq 00 t=123ms");
  EXPECT_EQ(bench.drive.Trace()[1].cdb.size(), 10u);
}

// --- Flash model, clock, model --------------------------------------------------

TEST(FlashMemory, StartsAsOldFirmwareErasesToFFAndProgramsByAnd) {
  FlashMemory flash(0x1000, 7);
  EXPECT_EQ(flash.Bytes(), OldFirmwareBytes(0x1000, 7));
  EXPECT_NE(flash.Bytes(), OldFirmwareBytes(0x1000, 8));
  EXPECT_FALSE(std::all_of(flash.Bytes().begin(), flash.Bytes().end(),
                           [](std::uint8_t b) { return b == 0xFF; }));
  const Bytes old = flash.Bytes();
  flash.Program(0x10, Bytes{0x0F, 0xF0});
  EXPECT_EQ(flash.Bytes()[0x10], old[0x10] & 0x0F);
  EXPECT_EQ(flash.Bytes()[0x11], old[0x11] & 0xF0);
  flash.Erase(0x10, 0x12);
  flash.Program(0x10, Bytes{0x5A, 0xA5});
  EXPECT_EQ(flash.Bytes()[0x10], 0x5A);
  EXPECT_EQ(flash.Bytes()[0x11], 0xA5);
  EXPECT_EQ(flash.Bytes()[0x12], old[0x12]);
  flash.Erase(0xFF0, 0x2000);  // clipped
  flash.Program(0xFFF, Bytes{0x00, 0x00});
  EXPECT_EQ(flash.Bytes()[0xFFF], 0x00);
  EXPECT_EQ(flash.Bytes()[0xFFE], 0xFF);
  EXPECT_EQ(flash.Size(), 0x1000u);
}

}  // namespace
}  // namespace drivesmith::sim
