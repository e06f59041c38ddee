// Whole updates through the headless runner: drive list to final state on a
// simulated drive, with the commands, the flash and the display checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "tests/headless/HeadlessBench.h"
#include "update/BlockPlan.h"
#include "update/TwoMegabyteSequence.h"

namespace drivesmith {
namespace {

using namespace testing_support;

bool Equal(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::size_t from,
           std::size_t to) {
  return std::equal(a.begin() + static_cast<std::ptrdiff_t>(from),
                    a.begin() + static_cast<std::ptrdiff_t>(to),
                    b.begin() + static_cast<std::ptrdiff_t>(from));
}

// The positions the one-megabyte layout sends: 0, then (k + 1) / 2 after
// each main block, then 170 plus 15 per poll cycle, then 1000.
void ExpectOneMegabyteProgress(const std::vector<std::int32_t>& positions) {
  ASSERT_GE(positions.size(), 1u + 341u + 2u);
  EXPECT_EQ(positions[0], 0);
  for (std::size_t k = 0; k < 341; ++k) {
    EXPECT_EQ(positions[1 + k], static_cast<std::int32_t>((k + 1) / 2)) << "block " << k;
  }
  EXPECT_EQ(positions[340], 170);
  EXPECT_EQ(positions[341], 170);
  for (std::size_t i = 342; i + 1 < positions.size(); ++i) {
    EXPECT_EQ(positions[i], 170 + 15 * static_cast<std::int32_t>(i - 342))
        << "poll cycle " << i - 342;
  }
  EXPECT_EQ(positions.back(), 1000);
}

void ExpectStatesShown(const std::vector<std::int32_t>& shown,
                       const std::vector<std::int32_t>& steps, std::int32_t last) {
  // Every state shown is one of the sequence's own steps or a drive phase,
  // the steps come in their order, and the run ends in `last`.
  std::size_t next = 0;
  for (const std::int32_t state : shown) {
    if (next < steps.size() && state == steps[next]) {
      ++next;
    } else {
      EXPECT_TRUE(state == 5 || state == 6 || state == 7 || state == 10 || state == last)
          << "unexpected state " << state;
    }
  }
  EXPECT_EQ(next, steps.size());
  EXPECT_EQ(shown.back(), last);
}

TEST(HeadlessUpdateTest, OneMegabyteUpdateWithTheTenByteFallBackAndThePrepareFlashOrder) {
  sim::DriveModel model = OneMegabyteDrive();
  model.faults.refuse12ByteTransfer = true;
  model.faults.acceptedPrepareParameter = 2;
  const HeadlessRun run = RunUpdateOn(model, ImageOptions(1), {}, TransportMode::PassThroughCdrom);
  const HeadlessReport& r = run.report;

  EXPECT_EQ(r.finalState, 11);
  EXPECT_EQ(r.closeLabel, "Reboot");
  EXPECT_TRUE(r.closeEnabled);
  EXPECT_FALSE(r.nextStartEnabled);
  EXPECT_EQ(r.rebootArmed, 1);
  EXPECT_TRUE(r.messageBoxes.empty());
  EXPECT_EQ(r.driveFlashSizeCode, kFlash1M);

  const auto& trace = run.trace;
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(Opcode(trace[0]), 0x12);  // the probe
  EXPECT_EQ(Opcode(trace[1]), 0xE4);
  EXPECT_EQ(Opcode(trace[2]), 0x12);
  // Block 0 in the 12-byte form is refused, then everything goes in the 10-byte form.
  EXPECT_EQ(trace[3].cdb.size(), 12u);
  EXPECT_EQ(Opcode(trace[3]), 0xAA);
  EXPECT_EQ(trace[3].status, 0x02);
  std::size_t i = 4;
  for (std::uint32_t k = 0; k < 342; ++k, ++i) {
    ASSERT_LT(i, trace.size());
    EXPECT_EQ(Opcode(trace[i]), 0xE2) << k;
    EXPECT_EQ(trace[i].cdb.size(), 10u);
    EXPECT_EQ(trace[i].dataLength, k < 341 ? 3072u : 1024u) << k;
    EXPECT_EQ(CdbLength(trace[i]), trace[i].dataLength);
    EXPECT_EQ(trace[i].cdb[8], 0);
    EXPECT_EQ(trace[i].status, 0x00) << k;
  }
  for (std::uint8_t parameter = 0; parameter < 3; ++parameter, ++i) {
    EXPECT_EQ(trace[i].cdb, (std::vector<std::uint8_t>{0xE0, 0, 0, parameter, 0, 0, 0, 0, 0, 0}));
  }
  EXPECT_EQ(trace[i].cdb, (std::vector<std::uint8_t>{0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(trace[i].status, 0x00);
  // The poll: RequestSense ahead of each TestUnitReady, ending on ten 0x3A in a row.
  ++i;
  ASSERT_LT(i, trace.size());
  ASSERT_EQ((trace.size() - i) % 2, 0u);
  for (std::size_t j = i; j < trace.size(); j += 2) {
    EXPECT_EQ(Opcode(trace[j]), 0x03);
    EXPECT_EQ(Opcode(trace[j + 1]), 0x00);
  }
  for (std::size_t j = trace.size() - 20; j < trace.size(); j += 2)
    EXPECT_EQ(trace[j + 1].asc, 0x3A);

  EXPECT_TRUE(Equal(run.flash, run.image, 0, kOneMegabyteImage));
  ExpectOneMegabyteProgress(r.progressPositions);
  ExpectStatesShown(r.statesShown, {0, 1, 2}, 11);
  EXPECT_EQ(r.stateTexts.back(),
            " Completed to update F/W of Drive.\r\n\r\n *** OK ** OK ** OK *** \r\n\r\n Turn OFF "
            "PC & Drive and Reboot them.");
  EXPECT_NE(
      std::find(
          r.stateTexts.begin(), r.stateTexts.end(),
          ">> Transferring Writing Data \r\n    Confirming SUM Code \r\n    Erasing Flash ROM \r\n"
          "    Writing Data into Flash ROM \r\n    Confirming SUM Code \r\n"),
      r.stateTexts.end());
}

TEST(HeadlessUpdateTest, OneMegabyteUpdateKeepsTheTwelveByteFormWhenTheDriveTakesIt) {
  const HeadlessRun run = RunUpdateOn(OneMegabyteDrive(), ImageOptions(1));
  EXPECT_EQ(run.report.finalState, 11);
  EXPECT_EQ(WithOpcode(run.trace, 0xAA).size(), 342u);
  EXPECT_EQ(WithOpcode(run.trace, 0xE2).size(), 0u);
  EXPECT_EQ(WithOpcode(run.trace, 0xE0).size(), 1u);  // parameter 0 taken at once
  EXPECT_TRUE(Equal(run.flash, run.image, 0, kOneMegabyteImage));
}

struct TwoMegabyteCase {
  const char* name;
  const char* loaderRevision;
  bool loaderUpdate;
};

class TwoMegabyteUpdateTest : public ::testing::TestWithParam<TwoMegabyteCase> {};

TEST_P(TwoMegabyteUpdateTest, AreasSumsAndFlash) {
  const TwoMegabyteCase& c = GetParam();
  HeadlessOptions options;
  options.tickUpdateLoader = c.loaderUpdate;
  const HeadlessRun run =
      RunUpdateOn(TwoMegabyteDrive(c.loaderRevision), ImageOptions(2, 99), options);
  const HeadlessReport& r = run.report;
  ASSERT_EQ(r.finalState, 11);
  EXPECT_EQ(r.loaderUpdateFlag, c.loaderUpdate ? 1u : 0u);
  EXPECT_EQ(r.closeLabel, "Reboot");
  EXPECT_EQ(r.rebootArmed, 1);

  const auto& trace = run.trace;
  const std::uint8_t flagByte = c.loaderUpdate ? 0x40 : 0x00;
  const bool newLayout = std::string(c.loaderRevision) == "2.01";
  std::size_t i = 3;  // after the probe, ChangeToUpMode and Inquiry
  EXPECT_EQ(trace[i++].cdb, (std::vector<std::uint8_t>{0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(trace[i++].cdb, (std::vector<std::uint8_t>{0xE6, 0, 0, 0, 0, 0, 0, 0, 0, flagByte}));
  auto skipPoll = [&] {
    const std::size_t start = i;
    while (i < trace.size() && Opcode(trace[i]) == 0x00) ++i;
    EXPECT_GE(i - start, 10u);
    EXPECT_EQ(trace[i - 1].asc, 0x3A);
  };
  auto expectArea = [&](const ImageArea& area) {
    for (std::uint32_t k = 0; k < area.Blocks(); ++k, ++i) {
      ASSERT_LT(i, trace.size());
      EXPECT_EQ(Opcode(trace[i]), 0xE2) << int{area.areaByte} << "/" << k;
      EXPECT_EQ(trace[i].cdb[8], area.areaByte);
      EXPECT_EQ(trace[i].dataLength, area.BlockLength(k));
    }
  };
  auto expectConfirm = [&](const ImageArea& area) {
    const std::uint16_t sum =
        AreaSum(std::span<const std::uint8_t>(run.image).subspan(area.begin, area.Length()));
    const auto high = static_cast<std::uint8_t>(sum >> 8);
    const auto low = static_cast<std::uint8_t>(sum);
    const std::vector<std::uint8_t> expected =
        newLayout
            ? std::vector<std::uint8_t>{0xE7, 0, 0, 0, 0, 0, area.areaByte, 0x40, high, low, 0, 0}
            : std::vector<std::uint8_t>{0xE7, 0, 0, 0, 0, 0, 0, 0, area.areaByte, 0x40, high, low};
    EXPECT_EQ(trace[i++].cdb, expected);
  };
  skipPoll();
  expectArea(kFirstMainArea);
  expectConfirm(kFirstMainArea);
  skipPoll();
  expectArea(kSecondMainArea);
  expectConfirm(kSecondMainArea);
  skipPoll();
  if (c.loaderUpdate) {
    expectArea(kBootLoaderArea);
    EXPECT_EQ(trace[i++].cdb, (std::vector<std::uint8_t>{0xE1, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}));
    skipPoll();
  }
  EXPECT_EQ(i, trace.size());
  EXPECT_EQ(WithOpcode(trace, 0xE1).size(), c.loaderUpdate ? 1u : 0u);

  // Every area sent is in the flash; 0x4000 to 0x7FFF keeps the old content,
  // and so does the loader area when it was not sent.
  EXPECT_TRUE(Equal(run.flash, run.image, 0x8000, 0x200000));
  EXPECT_TRUE(Equal(run.flash, run.pristineFlash, 0x4000, 0x8000));
  EXPECT_FALSE(Equal(run.flash, run.image, 0x4000, 0x8000));
  if (c.loaderUpdate) {
    EXPECT_TRUE(Equal(run.flash, run.image, 0, 0x4000));
  } else {
    EXPECT_TRUE(Equal(run.flash, run.pristineFlash, 0, 0x4000));
  }

  // The counter reaches 1000 only at the end.
  const auto& positions = r.progressPositions;
  ASSERT_GE(positions.size(), 2u);
  EXPECT_EQ(positions.front(), 0);
  EXPECT_EQ(positions.back(), 1000);
  EXPECT_TRUE(
      std::all_of(positions.begin(), positions.end() - 1, [](std::int32_t p) { return p < 1000; }));
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));

  const std::vector<std::int32_t> steps = c.loaderUpdate
                                              ? std::vector<std::int32_t>{0, 1, 6, 2, 7, 3, 8, 4, 9}
                                              : std::vector<std::int32_t>{0, 1, 6, 2, 7, 3, 8};
  ExpectStatesShown(r.statesShown, steps, 11);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TwoMegabyteUpdateTest,
    ::testing::Values(TwoMegabyteCase{"Loader201", "2.01", false},
                      TwoMegabyteCase{"Loader200", "2.00", false},
                      TwoMegabyteCase{"Loader201WithLoaderArea", "2.01", true},
                      TwoMegabyteCase{"Loader200WithLoaderArea", "2.00", true}),
    [](const ::testing::TestParamInfo<TwoMegabyteCase>& param) { return param.param.name; });

TEST(HeadlessUpdateTest, LayoutChangeAnsweredYesRunsTheOneMegabyteSequenceWithTheLoaderFlag) {
  const HeadlessRun run = RunUpdateOn(OneMegabyteDrive(), ImageOptions(2));
  const HeadlessReport& r = run.report;
  ASSERT_EQ(r.messageBoxes.size(), 1u);
  EXPECT_EQ(r.messageBoxes[0].text, "You'll change FROM 1M to 2M.\r\nContinue?");
  EXPECT_EQ(r.messageBoxes[0].caption, "Warning!!");
  EXPECT_EQ(r.messageBoxes[0].kind, MessageBoxKind::ExclamationYesNo);
  EXPECT_EQ(r.finalState, 11);
  EXPECT_EQ(r.loaderUpdateFlag, 1u);
  const auto writes = WithOpcode(run.trace, 0xE1);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].cdb[9], 0x40);
  EXPECT_EQ(WithOpcode(run.trace, 0xE6).size(), 0u);
  // Only the first megabyte of the two-megabyte image goes out, in 342 blocks.
  EXPECT_EQ(std::count_if(run.trace.begin(), run.trace.end(), IsTransfer), 342);
  EXPECT_TRUE(Equal(run.flash, run.image, 0, kOneMegabyteImage));
  ExpectOneMegabyteProgress(r.progressPositions);
}

TEST(HeadlessUpdateTest, LayoutChangeAnsweredNoReturnsToStateZero) {
  HeadlessOptions options;
  options.answers = {MessageBoxAnswer::No};
  const HeadlessRun run = RunUpdateOn(OneMegabyteDrive(), ImageOptions(2), options);
  EXPECT_EQ(run.report.finalState, 0);
  EXPECT_EQ(run.trace.size(), 3u);
  EXPECT_TRUE(run.report.nextStartEnabled);
  EXPECT_EQ(run.report.nextStartLabel, "Next >");
  EXPECT_TRUE(run.report.progressPositions.empty());
}

TEST(HeadlessDiscoveryTest, AspiEntriesInProbeOrderAndTheSelectedAddressIsUpdated) {
  for (const int pick : {-1, 1}) {
    UpdateBench bench(TransportMode::Aspi);
    sim::SimulatedDrive& second = bench.AddDrive(OneMegabyteDrive(), 1, 0);
    sim::SimulatedDrive& first = bench.AddDrive(OneMegabyteDrive(), 0, 1);
    bench.PackImage(ImageOptions(1));
    HeadlessOptions options;
    if (pick >= 0) options.selectEntry = pick;
    const HeadlessReport r =
        RunHeadlessUpdate(bench.Transport(), bench.File(), bench.Clock(), nullptr, options);
    EXPECT_EQ(r.listEntries, (std::vector<std::string>{"HA:0 ID:1  TAVIX   ZWR2040 DVD-RW  1.00",
                                                       "HA:1 ID:0  TAVIX   ZWR2040 DVD-RW  1.00"}));
    EXPECT_EQ(r.selectedEntry, pick < 0 ? 0 : pick);
    EXPECT_EQ(r.finalState, 11);
    sim::SimulatedDrive& updated = pick < 0 ? first : second;
    sim::SimulatedDrive& untouched = pick < 0 ? second : first;
    EXPECT_EQ(untouched.Trace().size(), 1u);  // the probe only
    ASSERT_GE(updated.Trace().size(), 2u);
    EXPECT_EQ(Opcode(updated.Trace()[1]), 0xE4);
    EXPECT_TRUE(updated.InUpMode());
    EXPECT_FALSE(untouched.InUpMode());
  }
}

}  // namespace
}  // namespace drivesmith
