// Fault campaign: a clean update per layout gives the drive's trace; then,
// for each injection point of the sequence (sampled blocks of every area,
// each PrepareFlash, EraseFlash, each ConfirmSumCode, WriteFlash, and each
// kind of poll answer), the same update runs again with the drive failing or
// falling silent at that command. A fatal failure must end in state 12 with
// no command sent after the failing one; nothing may hang.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "tests/headless/HeadlessBench.h"
#include "update/BlockPlan.h"
#include "update/Timing.h"

namespace drivesmith {
namespace {

using namespace testing_support;

// An ASC that no step of the update accepts.
constexpr std::uint8_t kFatalAsc = 0x44;

enum class Variant {
  OneMegabyte,            // blocks in the 10-byte form (the drive refuses the 12-byte form)
  OneMegabytePrepareTwo,  // as above, PrepareFlash accepted with parameter 2 only
  TwoMegabyte,
  TwoMegabyteWithLoader,
};

const char* VariantName(Variant v) {
  static const char* const names[] = {"OneMegabyte", "OneMegabytePrepareTwo", "TwoMegabyte",
                                      "TwoMegabyteWithLoader"};
  return names[static_cast<int>(v)];
}

sim::DriveModel ModelFor(Variant v) {
  sim::DriveModel model = v == Variant::OneMegabyte || v == Variant::OneMegabytePrepareTwo
                              ? OneMegabyteDrive()
                              : TwoMegabyteDrive();
  if (model.layout == sim::LoaderLayout::OneMegabyte) model.faults.refuse12ByteTransfer = true;
  if (v == Variant::OneMegabytePrepareTwo) model.faults.acceptedPrepareParameter = 2;
  return model;
}

HeadlessRun RunVariant(Variant v, const sim::DriveFaults* faults = nullptr) {
  sim::DriveModel model = ModelFor(v);
  if (faults != nullptr) {
    const bool refuse12 = model.faults.refuse12ByteTransfer;
    const auto accepted = model.faults.acceptedPrepareParameter;
    model.faults = *faults;
    model.faults.refuse12ByteTransfer = refuse12;
    model.faults.acceptedPrepareParameter = accepted;
  }
  HeadlessOptions options;
  options.tickUpdateLoader = v == Variant::TwoMegabyteWithLoader;
  const unsigned size = model.layout == sim::LoaderLayout::OneMegabyte ? 1 : 2;
  return RunUpdateOn(model, ImageOptions(size), options);
}

const std::vector<sim::TraceEntry>& CleanTrace(Variant v) {
  static std::map<Variant, std::vector<sim::TraceEntry>> cache;
  auto found = cache.find(v);
  if (found == cache.end()) {
    const HeadlessRun run = RunVariant(v);
    EXPECT_EQ(run.report.finalState, 11) << "clean run of " << VariantName(v);
    found = cache.emplace(v, run.trace).first;
  }
  return found->second;
}

enum class Point {
  Block,
  PrepareFlash,
  EraseFlash,
  ConfirmSumCode,
  WriteFlash,
  PollFirst,
  PollFirstFinish,
  PollLastFinish
};
enum class Fault { FailCommand, StopResponding };
enum class Outcome { Fatal, Recovered };

struct CampaignCase {
  Variant variant;
  Point point;
  int area;     // Block: area byte; ConfirmSumCode: area byte
  int ordinal;  // Block: block index; PrepareFlash: n-th; Poll*: n-th wait
  Fault fault;
  Outcome outcome;
  std::string name;
};

bool IsPollCommand(const sim::TraceEntry& e) { return Opcode(e) == 0x00 || Opcode(e) == 0x03; }

// Command number (trace index) of the injection point in a clean run.
int Resolve(const CampaignCase& c, const std::vector<sim::TraceEntry>& trace) {
  int seen = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const sim::TraceEntry& e = trace[i];
    switch (c.point) {
      case Point::Block:
        // Accepted blocks only: a refused 12-byte block is not one of them.
        if (IsTransfer(e) && e.status == 0 && e.cdb[8] == c.area && seen++ == c.ordinal)
          return static_cast<int>(i);
        break;
      case Point::PrepareFlash:
        if (Opcode(e) == 0xE0 && seen++ == c.ordinal) return static_cast<int>(i);
        break;
      case Point::EraseFlash:
        if (Opcode(e) == 0xE6) return static_cast<int>(i);
        break;
      case Point::WriteFlash:
        if (Opcode(e) == 0xE1) return static_cast<int>(i);
        break;
      case Point::ConfirmSumCode: {
        const bool newLayout = e.cdb.size() == 12 && e.cdb[7] == 0x40;
        if (Opcode(e) == 0xE7 && (newLayout ? e.cdb[6] : e.cdb[8]) == c.area)
          return static_cast<int>(i);
        break;
      }
      case Point::PollFirst:
      case Point::PollFirstFinish:
      case Point::PollLastFinish: {
        const bool startsWait = IsPollCommand(e) && (i == 0 || !IsPollCommand(trace[i - 1]));
        if (!startsWait || seen++ != c.ordinal) break;
        std::size_t end = i;
        while (end < trace.size() && IsPollCommand(trace[end])) ++end;
        std::vector<std::size_t> probes;
        for (std::size_t j = i; j < end; ++j) {
          if (Opcode(trace[j]) == 0x00) probes.push_back(j);
        }
        if (probes.empty()) return -1;
        if (c.point == Point::PollFirst) return static_cast<int>(probes.front());
        if (c.point == Point::PollLastFinish) return static_cast<int>(probes.back());
        for (const std::size_t j : probes) {
          if (trace[j].asc == 0x3A) return static_cast<int>(j);
        }
        return -1;
      }
    }
  }
  return -1;
}

std::string PointName(Point p) {
  static const char* const names[] = {"Block",
                                      "PrepareFlash",
                                      "EraseFlash",
                                      "ConfirmSumCode",
                                      "WriteFlash",
                                      "PollPhaseAnswer",
                                      "PollFirstFinishAnswer",
                                      "PollTenthFinishAnswer"};
  return names[static_cast<int>(p)];
}

CampaignCase Make(Variant v, Point p, int area, int ordinal, Fault f, Outcome o = Outcome::Fatal) {
  std::ostringstream name;
  name << VariantName(v) << "_" << PointName(p);
  if (p == Point::Block) name << "_Area" << area << "_" << ordinal;
  if (p == Point::ConfirmSumCode) name << "_Area" << area;
  if (p == Point::PrepareFlash || p >= Point::PollFirst) name << "_" << ordinal;
  name << (f == Fault::FailCommand ? "_Fails" : "_Silent");
  return CampaignCase{v, p, area, ordinal, f, o, name.str()};
}

// First, second, an odd and an even one in the middle, the last large block,
// and the small blocks.
std::vector<int> SampleBlocks(const ImageArea& area) {
  const int large = static_cast<int>(area.LargeBlocks());
  const int middle = large / 2;
  std::set<int> picks = {0, 1, middle | 1, middle & ~1, large - 1};
  for (int k = large; k < static_cast<int>(area.Blocks()); ++k) picks.insert(k);
  return {picks.begin(), picks.end()};
}

std::vector<CampaignCase> Cases() {
  std::vector<CampaignCase> cases;
  for (const Fault f : {Fault::FailCommand, Fault::StopResponding}) {
    const bool all = f == Fault::FailCommand;  // silence is sampled more thinly
    // One-megabyte layout: 342 blocks, PrepareFlash, WriteFlash, one wait.
    for (const int k : SampleBlocks(kOneMegabyteArea)) {
      if (all || k == 0 || k == 341)
        cases.push_back(Make(Variant::OneMegabyte, Point::Block, 0, k, f));
    }
    // A single refused PrepareFlash is answered by the next parameter: the
    // update goes on when the drive fails only the first one. A silent drive
    // refuses all three.
    cases.push_back(Make(Variant::OneMegabyte, Point::PrepareFlash, 0, 0, f,
                         f == Fault::FailCommand ? Outcome::Recovered : Outcome::Fatal));
    if (all) cases.push_back(Make(Variant::OneMegabytePrepareTwo, Point::PrepareFlash, 0, 2, f));
    cases.push_back(Make(Variant::OneMegabyte, Point::WriteFlash, 0, 0, f));
    for (const Point p : {Point::PollFirst, Point::PollFirstFinish, Point::PollLastFinish}) {
      if (all || p != Point::PollFirstFinish)
        cases.push_back(Make(Variant::OneMegabyte, p, 0, 0, f));
    }

    // Two-megabyte layout.
    cases.push_back(Make(Variant::TwoMegabyte, Point::PrepareFlash, 0, 0, f));
    cases.push_back(Make(Variant::TwoMegabyte, Point::EraseFlash, 0, 0, f));
    for (const ImageArea* area : {&kFirstMainArea, &kSecondMainArea}) {
      for (const int k : SampleBlocks(*area)) {
        if (all || k == 0)
          cases.push_back(Make(Variant::TwoMegabyte, Point::Block, area->areaByte, k, f));
      }
      cases.push_back(Make(Variant::TwoMegabyte, Point::ConfirmSumCode, area->areaByte, 0, f));
    }
    for (int wait = 0; wait < 3; ++wait) {
      for (const Point p : {Point::PollFirst, Point::PollFirstFinish, Point::PollLastFinish}) {
        if (all || (wait == 1 && p != Point::PollFirstFinish))
          cases.push_back(Make(Variant::TwoMegabyte, p, 0, wait, f));
      }
    }
    // The boot-loader area, its WriteFlash and the fourth wait.
    for (const int k : SampleBlocks(kBootLoaderArea)) {
      if (all || k == 0)
        cases.push_back(Make(Variant::TwoMegabyteWithLoader, Point::Block, 5, k, f));
    }
    cases.push_back(Make(Variant::TwoMegabyteWithLoader, Point::WriteFlash, 0, 0, f));
    for (const Point p : {Point::PollFirst, Point::PollFirstFinish, Point::PollLastFinish}) {
      if (all || p == Point::PollLastFinish)
        cases.push_back(Make(Variant::TwoMegabyteWithLoader, p, 0, 3, f));
    }
  }
  return cases;
}

class FaultCampaignTest : public ::testing::TestWithParam<CampaignCase> {};

TEST_P(FaultCampaignTest, UpdateEndsAsExpectedAndSendsNothingAfterAFatalFailure) {
  const CampaignCase& c = GetParam();
  const std::vector<sim::TraceEntry>& clean = CleanTrace(c.variant);
  const int at = Resolve(c, clean);
  ASSERT_GE(at, 0) << "injection point not found in the clean trace";

  sim::DriveFaults faults;
  if (c.fault == Fault::FailCommand) {
    faults.failCommandNumber = at;
    faults.failAsc = kFatalAsc;
  } else {
    faults.stopRespondingAfter = at;
  }
  const HeadlessRun run = RunVariant(c.variant, &faults);
  const HeadlessReport& r = run.report;
  const auto& trace = run.trace;
  ASSERT_GT(trace.size(), static_cast<std::size_t>(at));
  // Up to the injection point the run is the clean one.
  for (int i = 0; i < at; ++i) {
    EXPECT_EQ(trace[static_cast<std::size_t>(i)].cdb, clean[static_cast<std::size_t>(i)].cdb)
        << "command " << i;
  }

  if (c.outcome == Outcome::Recovered) {
    EXPECT_EQ(r.finalState, 11);
    EXPECT_EQ(r.rebootArmed, 1);
    EXPECT_EQ(Opcode(trace[static_cast<std::size_t>(at) + 1]), 0xE0);  // the next parameter
    EXPECT_EQ(trace[static_cast<std::size_t>(at) + 1].cdb[3],
              trace[static_cast<std::size_t>(at)].cdb[3] + 1);
    return;
  }

  EXPECT_EQ(r.finalState, 12);
  EXPECT_EQ(r.rebootArmed, 0);
  EXPECT_NE(r.closeLabel, "Reboot");
  EXPECT_TRUE(r.closeEnabled);
  EXPECT_TRUE(r.backEnabled);
  EXPECT_EQ(r.stateTexts.back(),
            " Fail to update.\r\n\r\n *** NG ** NG ** NG *** \r\n\r\n Turn OFF PC and Reboot it.");
  EXPECT_FALSE(r.progressPositions.empty() && r.progressPositions.back() == 1000);

  if (c.fault == Fault::FailCommand) {
    EXPECT_EQ(trace.size(), static_cast<std::size_t>(at) + 1)
        << "commands were sent after the failing one";
    EXPECT_EQ(trace.back().asc, kFatalAsc);
    return;
  }
  // A silent drive: what follows may only be the same step tried again or
  // the poll that runs into its limit; no data and no flash work.
  for (std::size_t i = static_cast<std::size_t>(at) + 1; i < trace.size(); ++i) {
    const std::uint8_t code = Opcode(trace[i]);
    EXPECT_TRUE(code == 0x00 || code == 0x03 || code == 0xE0)
        << "command " << i << " opcode " << int{code};
    EXPECT_EQ(trace[i].status, 0xFF);
  }
  EXPECT_LT(run.elapsed, timing::kWaitForDriveLimit * 2);
}

INSTANTIATE_TEST_SUITE_P(Points, FaultCampaignTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<CampaignCase>& param) {
                           return param.param.name;
                         });

// Faults of the drive's own work rather than of one command.
struct WorkFaultCase {
  const char* name;
  Variant variant;
  bool neverFinish;
  bool wrongSum;
  bool workError;
};

class WorkFaultTest : public ::testing::TestWithParam<WorkFaultCase> {};

TEST_P(WorkFaultTest, UpdateFailsWithinTheWaitLimit) {
  const WorkFaultCase& c = GetParam();
  sim::DriveFaults faults;
  faults.neverFinish = c.neverFinish;
  faults.reportWrongSum = c.wrongSum;
  if (c.workError) faults.workErrorAsc = 0x51;
  const HeadlessRun run = RunVariant(c.variant, &faults);
  EXPECT_EQ(run.report.finalState, 12);
  EXPECT_EQ(run.report.rebootArmed, 0);
  // The first wait that cannot end ends the update: one wait's limit at most.
  EXPECT_LT(run.elapsed, timing::kWaitForDriveLimit + std::chrono::minutes(1));
  if (!c.neverFinish) {
    // The error comes through the poll, and nothing follows it.
    EXPECT_EQ(Opcode(run.trace.back()), 0x00);
    EXPECT_NE(run.trace.back().asc, 0x3A);
    EXPECT_NE(run.trace.back().asc, 0xF7);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Work, WorkFaultTest,
    ::testing::Values(
        WorkFaultCase{"OneMegabyteNeverFinishes", Variant::OneMegabyte, true, false, false},
        WorkFaultCase{"TwoMegabyteNeverFinishes", Variant::TwoMegabyte, true, false, false},
        WorkFaultCase{"OneMegabyteWrongSum", Variant::OneMegabyte, false, true, false},
        WorkFaultCase{"TwoMegabyteWrongSum", Variant::TwoMegabyte, false, true, false},
        WorkFaultCase{"OneMegabyteWorkError", Variant::OneMegabyte, false, false, true},
        WorkFaultCase{"TwoMegabyteWorkError", Variant::TwoMegabyteWithLoader, false, false, true}),
    [](const ::testing::TestParamInfo<WorkFaultCase>& param) { return param.param.name; });

}  // namespace
}  // namespace drivesmith
