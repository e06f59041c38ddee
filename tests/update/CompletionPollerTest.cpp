// The completion poll against scripted ports: every answer the drive gives is
// written out, so each rule of the poll shows on its own.

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "tests/update/UpdateBench.h"
#include "update/CompletionPoller.h"

namespace drivesmith {
namespace {

using testing::PassThroughReply;

// `times` TestUnitReady answers with this ASC; ASC 0 is a good completion.
struct Answer {
  std::uint8_t asc;
  std::uint8_t ascq = 0;
  int times = 1;
};
constexpr Answer kDone{0x3A, 0, 10};
Answer Phase(std::uint8_t phase) { return {0xF7, phase}; }

struct Waited {
  int result;
  std::vector<std::int32_t> positions, refreshes;  // UpdateState at each refresh
  std::int32_t state, counter;
  std::chrono::milliseconds slept;
};

// One wait on a drive that gives `answers`, with the engine in state 2. Only
// cdrom-number pass-through asks for the sense data ahead of each probe.
Waited Wait(TransportMode mode, FlashSizeCode code, std::int32_t counter,
            const std::vector<Answer>& answers) {
  testing::FakePassThroughLayer port;
  sim::SimulatedClock clock;
  ScsiTransport transport(mode, nullptr, &port);
  testing_support::EngineHarness harness(transport, clock);
  harness.state.DriveFlashSizeCode = code;
  harness.state.ProgressCounter = counter;
  harness.state.UpdateState = WizardState::TransferFirstArea;
  const bool cdrom = mode == TransportMode::PassThroughCdrom;
  std::size_t scripted = 0;
  for (const Answer& answer : answers) {
    for (int i = 0; i < answer.times; ++i, ++scripted) {
      if (cdrom) port.Reply(PassThroughReply::Good());
      port.Reply(answer.asc == 0 ? PassThroughReply::Good()
                                 : PassThroughReply::CheckCondition(answer.asc, answer.ascq));
    }
  }
  UpdateContext context = harness.Context();
  const int result = WaitForDrive(context);
  EXPECT_EQ(port.issued.size(), scripted * (cdrom ? 2 : 1));
  for (std::size_t i = 0; i < port.issued.size(); ++i)
    EXPECT_EQ(port.issued[i].commandBlock[0], cdrom && i % 2 == 0 ? 0x03 : 0x00) << i;
  Waited waited{result, harness.positions, harness.refreshedStates, 0, 0, clock.TotalSlept()};
  waited.state = StateNumber(harness.state.UpdateState);
  waited.counter = harness.state.ProgressCounter;
  return waited;
}

// One-megabyte layout: 15 per poll cycle of 580 ms, 1000 at the finish.
TEST(CompletionPollerTest, TenMediumNotPresentInARowFinishAndErrorsEndTheWait) {
  constexpr auto kLetter = TransportMode::PassThroughLetter;
  const struct {
    const char* name;
    TransportMode mode;
    std::vector<Answer> answers;
    int result;
    std::vector<std::int32_t> positions;
  } rows[] = {
      {"ten 0x3A finish", kLetter, {kDone}, 1, {170, 1000}},
      {"nine and a 0x00",
       kLetter,
       {{0x3A, 0, 9}, {0x00}, {0x3A, 0, 5}, {0x00}, kDone},
       1,
       {170, 185, 200, 1000}},
      {"0x04 is an error", kLetter, {{0x3A, 0, 3}, {0x04}}, 0, {170}},
      {"0x20 keeps polling",
       kLetter,
       {{0x00}, {0x20}, {0x20, 0x05}, kDone},
       1,
       {170, 185, 200, 215, 1000}},
      {"RequestSense first", TransportMode::PassThroughCdrom, {{0x00}, kDone}, 1, {170, 185, 1000}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Waited waited = Wait(row.mode, kFlash1M, 170, row.answers);
    EXPECT_EQ(waited.result, row.result);
    EXPECT_EQ(waited.positions, row.positions);
    EXPECT_TRUE(waited.refreshes.empty());
    const auto cycles = row.positions.size() - (row.result == 1 ? 1 : 0);
    EXPECT_EQ(waited.slept, std::chrono::milliseconds(580) * cycles);
  }
  // The two-megabyte layout counts one per cycle of 200 ms and never sends 1000.
  const Waited two = Wait(kLetter, kFlash2M, 300, {{0x00}, kDone});
  EXPECT_EQ(two.positions, (std::vector<std::int32_t>{300, 301}));
  EXPECT_EQ(two.counter, 302);
  EXPECT_EQ(two.slept, std::chrono::milliseconds(200 * 2));
}

// Each phase report moves the state and refreshes the window, a repeated one
// does not; an unknown phase (0x80 like 0x04) refreshes only; 0xFF refreshes
// only after a phase was seen.
TEST(CompletionPollerTest, PhaseReportsMoveTheState) {
  const struct {
    std::vector<Answer> answers;
    std::vector<std::int32_t> refreshes;
    std::int32_t state;
  } rows[] = {
      {{Phase(0), Phase(1), Phase(1), Phase(2), Phase(3), kDone}, {5, 6, 7, 10}, 10},
      {{Phase(0), Phase(1), Phase(0), kDone}, {5, 6, 5}, 5},
      {{Phase(0x04), Phase(0x04), kDone}, {2}, 2},
      {{Phase(0x80), kDone}, {2}, 2},
      {{Phase(0xFF), Phase(0xFF), kDone}, {}, 2},
      {{Phase(2), Phase(0xFF), kDone}, {7, 7}, 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.state);
    const Waited waited = Wait(TransportMode::PassThroughLetter, kFlash2M, 0, row.answers);
    EXPECT_EQ(waited.result, 1);
    EXPECT_EQ(waited.refreshes, row.refreshes);
    EXPECT_EQ(waited.state, row.state);
  }
}

// Through ASPI probes that never complete (and, once eight are held, probes
// the transport no longer sends) must never add up to the finish signal.
TEST(CompletionPollerAspiTest, SilentProbesAfterOneMediumNotPresentDoNotFinish) {
  testing::FakeAspiLayer aspi;
  sim::SimulatedClock clock;
  ScsiTransport transport(TransportMode::Aspi, &aspi, nullptr);
  testing_support::EngineHarness harness(transport, clock);
  harness.state.DriveFlashSizeCode = kFlash1M;
  harness.state.UpdateState = WizardState::TransferFirstArea;

  aspi.Reply(testing::AspiReply::Sense(0x3A, 0x00));
  for (int i = 0; i < 9; ++i)
    aspi.Reply(testing::AspiReply{testing::AspiReply::When::Never, 0, {}, {}});
  aspi.Reply(testing::AspiReply::Sense(0x44, 0x00));

  UpdateContext context = harness.Context();
  EXPECT_EQ(WaitForDrive(context), 0);
  EXPECT_EQ(aspi.received.size(), 9u) << "eight silent probes held, then none sent";
  EXPECT_NE(harness.state.ProgressCounter, 1000);
}

}  // namespace
}  // namespace drivesmith
