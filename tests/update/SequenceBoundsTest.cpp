// The bounds the sequences keep on a drive that never lets go: repeats of a
// block the drive keeps asking for, and flash work that never ends.

#include <gtest/gtest.h>

#include <span>

#include "tests/update/EngineHarness.h"
#include "tests/update/UpdateBench.h"
#include "update/OneMegabyteSequence.h"
#include "update/Timing.h"
#include "update/TwoMegabyteSequence.h"
#include "update/UpdatePreparation.h"

namespace drivesmith {
namespace {

using testing_support::EngineHarness;
using testing_support::UpdateBench;
using testing_support::WithOpcode;

class SequenceBoundsTest : public ::testing::Test {
 protected:
  void Attach(const sim::DriveModel& model) {
    bench_.AddDrive(model, 0);
    bench_.PackImage(
        testing_support::ImageOptions(model.layout == sim::LoaderLayout::OneMegabyte ? 1 : 2));
    UpdateContext context = harness_.Context();
    ASSERT_EQ(PrepareDrive(context), 1);
  }
  int RunOneMegabyte() {
    UpdateContext context = harness_.Context();
    return RunOneMegabyteSequence(
        context, std::span<const std::uint8_t>(bench_.Image()).first<kOneMegabyteImage>());
  }
  int RunTwoMegabyte() {
    UpdateContext context = harness_.Context();
    return RunTwoMegabyteSequence(
        context, std::span<const std::uint8_t>(bench_.Image()).first<kTwoMegabyteImage>());
  }
  std::size_t Transfers() {
    return WithOpcode(bench_.Drive().Trace(), 0xAA).size() +
           WithOpcode(bench_.Drive().Trace(), 0xE2).size();
  }

  UpdateBench bench_{TransportMode::PassThroughLetter};
  EngineHarness harness_{bench_.Transport(), bench_.Clock()};
};

TEST_F(SequenceBoundsTest, ABlockAskedForAgainUpToTheLimitGoesThrough) {
  sim::DriveModel model = testing_support::OneMegabyteDrive();
  model.faults.mediumNotPresentBeforeBlock[5] = timing::kBlockRepeatLimit;
  Attach(model);
  EXPECT_EQ(RunOneMegabyte(), 1);
  EXPECT_EQ(Transfers(), 342u + static_cast<std::size_t>(timing::kBlockRepeatLimit));
  // Repeats keep the form: every transfer went out in the 12-byte form.
  EXPECT_EQ(WithOpcode(bench_.Drive().Trace(), 0xE2).size(), 0u);
  EXPECT_EQ(bench_.Drive().Flash(), bench_.Image());
}

TEST_F(SequenceBoundsTest, ABlockAskedForAgainForeverFailsAtTheLimit) {
  sim::DriveModel model = testing_support::OneMegabyteDrive();
  model.faults.mediumNotPresentBeforeBlock[5] = 1000000;
  Attach(model);
  EXPECT_EQ(RunOneMegabyte(), 0);
  const auto& trace = bench_.Drive().Trace();
  EXPECT_EQ(Transfers(), 5u + 1u + static_cast<std::size_t>(timing::kBlockRepeatLimit));
  EXPECT_EQ(trace.back().cdb[0], 0xAA);
  EXPECT_EQ(trace.back().asc, 0x3A);
  EXPECT_EQ(harness_.state.UpdateState, 2);
}

TEST_F(SequenceBoundsTest, OneMegabyteWorkThatNeverEndsFailsAtTheWaitLimit) {
  sim::DriveModel model = testing_support::OneMegabyteDrive();
  model.faults.neverFinish = true;
  Attach(model);
  const auto start = bench_.Clock().Now();
  EXPECT_EQ(RunOneMegabyte(), 0);
  EXPECT_GE(bench_.Clock().Now() - start, timing::kWaitForDriveLimit);
  EXPECT_LT(bench_.Clock().Now() - start, timing::kWaitForDriveLimit + std::chrono::seconds(5));
}

TEST_F(SequenceBoundsTest, TwoMegabyteEraseThatNeverEndsFailsAtTheFirstWait) {
  sim::DriveModel model = testing_support::TwoMegabyteDrive();
  model.faults.neverFinish = true;
  Attach(model);
  EXPECT_EQ(RunTwoMegabyte(), 0);
  EXPECT_EQ(Transfers(), 0u);
  EXPECT_GE(bench_.Clock().Now(), timing::kWaitForDriveLimit);
}

}  // namespace
}  // namespace drivesmith
