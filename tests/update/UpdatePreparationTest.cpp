// PrepareDrive on a simulated drive, and RunUpdate's guards before a sequence.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "drive/DriveCommands.h"
#include "image/FirmwareImage.h"
#include "tests/update/EngineHarness.h"
#include "tests/update/UpdateBench.h"
#include "update/BlockPlan.h"
#include "update/Timing.h"
#include "update/UpdatePreparation.h"

namespace drivesmith {
namespace {

using testing_support::EngineHarness;
using testing_support::UpdateBench;

class PrepareDriveTest : public ::testing::Test {
 protected:
  int Prepare(const sim::DriveModel& model) {
    bench_.AddDrive(model, 0);
    UpdateContext context = harness_.Context();
    return PrepareDrive(context);
  }
  UpdateBench bench_{TransportMode::PassThroughLetter};
  EngineHarness harness_{bench_.Transport(), bench_.Clock()};
};

TEST_F(PrepareDriveTest, SwitchesToUpModeWaitsAndIdentifiesATwoMegabyteLoader) {
  EXPECT_EQ(Prepare(testing_support::TwoMegabyteDrive("2.01")), 1);
  EXPECT_EQ(harness_.state.DriveFlashSizeCode, kFlash2M);
  EXPECT_EQ(harness_.state.LoaderVersion, 2.01);
  const auto& trace = bench_.Drive().Trace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0].cdb, (std::vector<std::uint8_t>{0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}));
  EXPECT_EQ(trace[1].cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0x24, 0}));
  EXPECT_EQ(trace[1].at - trace[0].at, timing::kUpModeSettle);
}

struct RevisionCase {
  const char* revision;
  double expected;
};

class RevisionTest : public PrepareDriveTest, public ::testing::WithParamInterface<RevisionCase> {};

TEST_P(RevisionTest, BytesAfterTheRevisionFieldAreNeverRead) {
  // Stale digits right after byte 35 of the data buffer.
  std::fill_n(harness_.Request().Data() + 36, 16, static_cast<std::uint8_t>('9'));
  EXPECT_EQ(Prepare(testing_support::TwoMegabyteDrive(GetParam().revision)), 1);
  EXPECT_EQ(harness_.state.LoaderVersion, GetParam().expected);
  EXPECT_EQ(harness_.Request().Data()[36], '9');
}

INSTANTIATE_TEST_SUITE_P(Revisions, RevisionTest,
                         ::testing::Values(RevisionCase{"2.00", 2.0}, RevisionCase{"    ", 0.0},
                                           RevisionCase{"1.99", 1.99}));

TEST_F(PrepareDriveTest, UnknownLoaderIsTheOneMegabyteLayoutAndKeepsTheVersion) {
  harness_.state.LoaderVersion = 7.5;
  harness_.state.DriveFlashSizeCode = kFlash2M;
  sim::DriveModel model = testing_support::OneMegabyteDrive();
  model.loaderRevision = "3.00";
  EXPECT_EQ(Prepare(model), 1);
  EXPECT_EQ(harness_.state.DriveFlashSizeCode, kFlash1M);
  EXPECT_EQ(harness_.state.LoaderVersion, 7.5);
}

TEST_F(PrepareDriveTest, LowerCaseLoaderIdentityIsNotKnown) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  model.loaderProduct = "zazizud2 zirivid";
  EXPECT_EQ(Prepare(model), 1);
  EXPECT_EQ(harness_.state.DriveFlashSizeCode, kFlash1M);
}

TEST_F(PrepareDriveTest, FailedInquiryKeepsTheCodeAndVersion) {
  harness_.state.LoaderVersion = 1.5;
  harness_.state.DriveFlashSizeCode = kFlash2M;
  sim::DriveModel model = testing_support::TwoMegabyteDrive("2.01");
  model.faults.failCommandNumber = 1;
  EXPECT_EQ(Prepare(model), 0);
  EXPECT_EQ(harness_.state.LoaderVersion, 1.5);
  EXPECT_EQ(harness_.state.DriveFlashSizeCode, kFlash2M);
}

TEST_F(PrepareDriveTest, ARefusedUpModeSwitchIsNotExamined) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive("2.01");
  model.faults.failCommandNumber = 0;
  // The drive refused the switch, so it answers Inquiry in normal mode.
  EXPECT_EQ(Prepare(model), 1);
  EXPECT_EQ(harness_.state.DriveFlashSizeCode, kFlash1M);
}

class RunUpdateGuardTest : public ::testing::Test {
 protected:
  int Run() {
    image_.ReadImageHeader(bench_.File());
    UpdateContext context = harness_.Context();
    return RunUpdate(context, bench_.File(), image_);
  }
  UpdateBench bench_{TransportMode::PassThroughLetter};
  EngineHarness harness_{bench_.Transport(), bench_.Clock()};
  FirmwareImage image_;
};

// A one-megabyte image for a drive of the two-megabyte layout: the loaded
// image is too short for the sequence, which never starts.
TEST_F(RunUpdateGuardTest, ShortImageFailsBeforeAnyCommandOfTheSequence) {
  bench_.AddDrive(testing_support::TwoMegabyteDrive(), 0);
  bench_.PackImage(testing_support::ImageOptions(1));
  harness_.state.DriveFlashSizeCode = kFlash2M;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(image_.Length(), kOneMegabyteImage);
  EXPECT_TRUE(bench_.Drive().Trace().empty());
  EXPECT_EQ(harness_.status.positions, (std::vector<std::int32_t>{0}));
}

TEST_F(RunUpdateGuardTest, MissingProgramFileIsReportedAndFails) {
  bench_.AddDrive(testing_support::OneMegabyteDrive(), 0);
  bench_.MissingProgramFile();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(harness_.status.openFailures.size(), 1u);
  EXPECT_NE(harness_.status.openFailures[0].find(bench_.ProgramPath()), std::string::npos);
  EXPECT_TRUE(harness_.status.positions.empty());
  EXPECT_TRUE(bench_.Drive().Trace().empty());
}

class EmptyPathFile : public ProgramFile {
 public:
  std::string Path() override { return {}; }
  std::unique_ptr<OpenedFile> Open(const std::string&, std::string& failure) override {
    ++opens;
    failure = "unexpected";
    return nullptr;
  }
  int opens = 0;
};

TEST_F(RunUpdateGuardTest, EmptyProgramPathFailsWithoutOpeningAnything) {
  EmptyPathFile file;
  UpdateContext context = harness_.Context();
  EXPECT_EQ(RunUpdate(context, file, image_), 0);
  EXPECT_EQ(file.opens, 0);
  EXPECT_TRUE(harness_.status.openFailures.empty());
}

}  // namespace
}  // namespace drivesmith
