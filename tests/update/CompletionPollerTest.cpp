// The completion poll against a scripted pass-through port: every answer the
// drive gives is written out, so each rule of the poll shows on its own.

#include <gtest/gtest.h>

#include <vector>

#include "simulator/SimulatedClock.h"
#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "tests/update/EngineHarness.h"
#include "update/CompletionPoller.h"
#include "update/Timing.h"

namespace drivesmith {
namespace {

using testing::FakePassThroughLayer;
using testing::PassThroughReply;
using testing_support::EngineHarness;

struct Answer {
  std::uint8_t asc;
  std::uint8_t ascq = 0;
};

class CompletionPollerTest : public ::testing::Test {
 protected:
  void Build(TransportMode mode, FlashSizeCode driveCode, std::int32_t counter = 0) {
    transport_ = std::make_unique<ScsiTransport>(mode, nullptr, &port_);
    harness_ = std::make_unique<EngineHarness>(*transport_, clock_);
    harness_->state.DriveFlashSizeCode = driveCode;
    harness_->state.ProgressCounter = counter;
    harness_->state.UpdateState = 2;
  }
  // One TestUnitReady answer; ASC 0 is a good completion without sense data.
  void Answers(const std::vector<Answer>& answers, bool withRequestSense = false) {
    for (const Answer& answer : answers) {
      if (withRequestSense) port_.Reply(PassThroughReply::Good());
      port_.Reply(answer.asc == 0 ? PassThroughReply::Good()
                                  : PassThroughReply::CheckCondition(answer.asc, answer.ascq));
    }
  }
  void Repeat(Answer answer, int times, bool withRequestSense = false) {
    Answers(std::vector<Answer>(static_cast<std::size_t>(times), answer), withRequestSense);
  }
  int Wait() {
    UpdateContext context = harness_->Context();
    return WaitForDrive(context);
  }
  std::vector<std::uint8_t> Opcodes() const {
    std::vector<std::uint8_t> codes;
    for (const auto& issued : port_.issued) codes.push_back(issued.buffer[passthrough::kCdb]);
    return codes;
  }
  const std::vector<std::int32_t>& Positions() const { return harness_->status.positions; }
  const std::vector<std::int32_t>& Refreshes() const { return harness_->status.refreshedStates; }

  FakePassThroughLayer port_;
  sim::SimulatedClock clock_;
  std::unique_ptr<ScsiTransport> transport_;
  std::unique_ptr<EngineHarness> harness_;
};

constexpr Answer kFinished{0x3A};
constexpr Answer kReady{0x00};

TEST_F(CompletionPollerTest, TenMediumNotPresentInTheFirstCycleFinishAfterOneSleep) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 170);
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  EXPECT_EQ(clock_.SleepCount(), 1);
  EXPECT_EQ(clock_.TotalSlept(), timing::kPollIntervalOneMegabyte);
  EXPECT_EQ(Positions(), (std::vector<std::int32_t>{170, 1000}));
  EXPECT_EQ(harness_->state.ProgressCounter, 1000);
  EXPECT_EQ(port_.issued.size(), 10u);
}

TEST_F(CompletionPollerTest, TwoMegabyteFinishKeepsTheCounterUnsent) {
  Build(TransportMode::PassThroughLetter, kFlash2M, 300);
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  EXPECT_EQ(clock_.TotalSlept(), timing::kPollIntervalTwoMegabyte);
  EXPECT_EQ(Positions(), (std::vector<std::int32_t>{300}));
  EXPECT_EQ(harness_->state.ProgressCounter, 301);
}

TEST_F(CompletionPollerTest, NineThenAnotherAscStartsANewCycleWithACountOfZero) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 170);
  Repeat(kFinished, 9);
  Answers({kReady});
  Repeat(kFinished, 5);
  Answers({kReady});
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  EXPECT_EQ(clock_.SleepCount(), 3);
  EXPECT_EQ(port_.issued.size(), 26u);
  EXPECT_EQ(Positions(), (std::vector<std::int32_t>{170, 185, 200, 1000}));
}

TEST_F(CompletionPollerTest, AnErrorAscEndsTheWaitAtOnceWithoutSendingTheIncrement) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 170);
  Repeat(kFinished, 3);
  Answers({{0x04}});
  EXPECT_EQ(Wait(), 0);
  EXPECT_EQ(port_.issued.size(), 4u);
  EXPECT_EQ(Positions(), (std::vector<std::int32_t>{170}));
  EXPECT_EQ(harness_->state.ProgressCounter, 185);
  EXPECT_EQ(harness_->state.UpdateState, 2);
  EXPECT_TRUE(Refreshes().empty());
}

TEST_F(CompletionPollerTest, ReadinessAndInvalidOpcodeKeepPolling) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 0);
  Answers({kReady, {0x20}, kReady, {0x20, 0x05}});
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  EXPECT_EQ(clock_.SleepCount(), 5);
  EXPECT_EQ(Positions(), (std::vector<std::int32_t>{0, 15, 30, 45, 60, 1000}));
  EXPECT_TRUE(Refreshes().empty());
}

struct PhaseCase {
  const char* name;
  std::vector<std::uint8_t> phases;           // one F7 report per cycle
  std::vector<std::int32_t> refreshedStates;  // UpdateState at each refresh
  std::int32_t finalState;
};

class PhaseReportTest : public CompletionPollerTest,
                        public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PhaseReportTest, PhasesMoveTheStateAndRefreshOnlyOnChange) {
  const PhaseCase& c = GetParam();
  Build(TransportMode::PassThroughLetter, kFlash2M, 0);
  for (const std::uint8_t phase : c.phases) Answers({{0xF7, phase}});
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  EXPECT_EQ(Refreshes(), c.refreshedStates);
  EXPECT_EQ(harness_->state.UpdateState, c.finalState);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, PhaseReportTest,
    ::testing::Values(PhaseCase{"RepeatedPhaseOnce", {0x01, 0x01}, {6}, 6},
                      PhaseCase{"BackAndForth", {0x00, 0x01, 0x00}, {5, 6, 5}, 5},
                      PhaseCase{"AllFour", {0x00, 0x01, 0x02, 0x03}, {5, 6, 7, 10}, 10},
                      PhaseCase{"UnknownPhaseRefreshesOnly", {0x04, 0x04}, {2}, 2},
                      PhaseCase{"HighPhaseIsUnsigned", {0x80}, {2}, 2},
                      PhaseCase{"FirstReportFFDoesNothing", {0xFF, 0xFF}, {}, 2},
                      PhaseCase{"FFAfterAPhaseRefreshes", {0x02, 0xFF}, {7, 7}, 7}),
    [](const ::testing::TestParamInfo<PhaseCase>& param) { return param.param.name; });

// Only cdrom-number pass-through asks for the sense data ahead of each probe.
TEST_F(CompletionPollerTest, CdromModeSendsRequestSenseAheadOfEveryTestUnitReady) {
  Build(TransportMode::PassThroughCdrom, kFlash1M, 0);
  Answers({kReady}, true);
  Repeat(kFinished, 10, true);
  EXPECT_EQ(Wait(), 1);
  const std::vector<std::uint8_t> codes = Opcodes();
  ASSERT_EQ(codes.size(), 22u);
  for (std::size_t i = 0; i < codes.size(); i += 2) {
    EXPECT_EQ(codes[i], 0x03) << i;
    EXPECT_EQ(codes[i + 1], 0x00) << i;
  }
}

TEST_F(CompletionPollerTest, CounterGrowsPastAThousandWithoutACap) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 170);
  Repeat(kReady, 60);
  Repeat(kFinished, 10);
  EXPECT_EQ(Wait(), 1);
  ASSERT_EQ(Positions().size(), 62u);
  EXPECT_EQ(Positions()[1], 185);
  EXPECT_EQ(Positions()[60], 170 + 60 * 15);  // 1070: the bar shows it as full
  EXPECT_EQ(Positions().back(), 1000);
}

// A drive that stays ready and never gives the finish signal.
TEST_F(CompletionPollerTest, ADriveThatNeverFinishesFailsTheWaitAtTheLimit) {
  Build(TransportMode::PassThroughLetter, kFlash1M, 0);
  EXPECT_EQ(Wait(), 0);  // every answer is GOOD: ASC 0
  EXPECT_GE(clock_.Now(), timing::kWaitForDriveLimit);
  EXPECT_LT(clock_.Now(), timing::kWaitForDriveLimit + timing::kPollIntervalOneMegabyte * 2);
}

TEST_F(CompletionPollerTest, ADriveStuckInOnePhaseFailsTheWaitAtTheLimit) {
  Build(TransportMode::PassThroughLetter, kFlash2M, 0);
  const auto cycles = timing::kWaitForDriveLimit / timing::kPollIntervalTwoMegabyte;
  Repeat({0xF7, 0x01}, static_cast<int>(cycles) + 5);
  EXPECT_EQ(Wait(), 0);
  EXPECT_EQ(Refreshes(), (std::vector<std::int32_t>{6}));
  EXPECT_GE(clock_.Now(), timing::kWaitForDriveLimit);
}

}  // namespace
}  // namespace drivesmith

namespace drivesmith {
namespace {

// Through ASPI a probe that never completes leaves the record's sense codes
// alone; such silences must never add up to the finish signal.
TEST(CompletionPollerAspiTest, SilentProbesAfterOneMediumNotPresentDoNotFinish) {
  testing::FakeAspiLayer aspi;
  sim::SimulatedClock clock;
  ScsiTransport transport(TransportMode::Aspi, &aspi, nullptr);
  testing_support::EngineHarness harness(transport, clock);
  harness.state.DriveFlashSizeCode = kFlash1M;
  harness.state.UpdateState = 2;

  aspi.Reply(testing::AspiReply::Sense(0x3A, 0x00));
  for (int i = 0; i < 9; ++i)
    aspi.Reply(testing::AspiReply{testing::AspiReply::When::Never, 0, {}, {}});
  aspi.Reply(testing::AspiReply::Sense(0x44, 0x00));

  UpdateContext context = harness.Context();
  EXPECT_EQ(WaitForDrive(context), 0);
  EXPECT_EQ(aspi.received.size(), 11u);
  EXPECT_NE(harness.state.ProgressCounter, 1000);
}

}  // namespace
}  // namespace drivesmith
