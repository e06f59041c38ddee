// Which blocks of the two-megabyte layout move the progress bar: each
// position is tied to the number of commands the drive had received.

#include <gtest/gtest.h>

#include <span>
#include <utility>

#include "tests/update/EngineHarness.h"
#include "tests/update/UpdateBench.h"
#include "update/TwoMegabyteSequence.h"
#include "update/UpdatePreparation.h"

namespace drivesmith {
namespace {

using testing_support::UpdateBench;

class CountingStatus : public UpdateStatus {
 public:
  explicit CountingStatus(sim::SimulatedDrive& drive) : drive_(drive) {}
  void RefreshStatus() override {}
  void SendProgress(std::int32_t position) override {
    sent.emplace_back(drive_.CommandsReceived(), position);
  }
  void ReportOpenFailure(const std::string&) override {}
  std::vector<std::pair<int, std::int32_t>> sent;  // commands received, position

 private:
  sim::SimulatedDrive& drive_;
};

// Positions sent while `area`'s blocks went out; `first` is the command
// number of its first block.
std::vector<std::pair<int, std::int32_t>> During(const CountingStatus& status, int first,
                                                 int blocks) {
  std::vector<std::pair<int, std::int32_t>> found;
  for (const auto& entry : status.sent) {
    if (entry.first > first && entry.first <= first + blocks) found.push_back(entry);
  }
  return found;
}

TEST(TwoMegabyteProgressTest, EveryEighthLargeBlockLeavesTheBarAndSmallBlocksMoveIt) {
  UpdateBench bench(TransportMode::PassThroughLetter);
  sim::SimulatedDrive& drive = bench.AddDrive(testing_support::TwoMegabyteDrive(), 0);
  bench.PackImage(testing_support::ImageOptions(2));
  const std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
  DriveCommands commands(*request, bench.Transport());
  EngineState state;
  CountingStatus status(drive);
  UpdateContext context{commands, bench.Clock(), state, status};
  ASSERT_EQ(PrepareDrive(context), 1);
  state.LoaderUpdateFlag = 1;
  ASSERT_EQ(RunTwoMegabyteSequence(
                context, std::span<const std::uint8_t>(bench.Image()).first<kTwoMegabyteImage>()),
            1);

  const auto& trace = drive.Trace();
  struct AreaRun {
    std::uint8_t areaByte;
    int blocks;
    int large;
    int moves;
  };
  for (const AreaRun area :
       {AreaRun{1, 332, 330, 290}, AreaRun{2, 342, 341, 299}, AreaRun{5, 6, 5, 5}}) {
    int first = -1;
    for (std::size_t i = 0; i < trace.size(); ++i) {
      if (trace[i].cdb[0] == 0xE2 && trace[i].cdb[8] == area.areaByte) {
        first = static_cast<int>(i);
        break;
      }
    }
    ASSERT_GE(first, 0);
    const auto moves = During(status, first, area.blocks);
    ASSERT_EQ(static_cast<int>(moves.size()), area.moves) << int{area.areaByte};
    // The counter on entry is one below the first move.
    const std::int32_t entry = moves.front().second - 1;
    std::int32_t expected = entry;
    std::size_t m = 0;
    for (int k = 0; k < area.blocks; ++k) {
      const bool moved = k >= area.large || k % 8 != 0;
      if (!moved) {
        EXPECT_TRUE(m == moves.size() || moves[m].first != first + k + 1) << "block " << k;
        continue;
      }
      ++expected;
      ASSERT_LT(m, moves.size());
      EXPECT_EQ(moves[m].first, first + k + 1) << "block " << k;
      EXPECT_EQ(moves[m].second, expected) << "block " << k;
      ++m;
    }
  }
  EXPECT_EQ(status.sent.back().second, 1000);
}

}  // namespace
}  // namespace drivesmith
