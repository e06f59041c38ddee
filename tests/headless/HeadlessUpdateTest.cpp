// Whole updates through the headless runner, from the drive list to the final
// state, on simulated drives: the commands the drive saw, its flash and what
// the window showed; then the same updates with a fault at each step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "headless/HeadlessRunner.h"
#include "tests/app/PackedProgram.h"
#include "tests/update/UpdateBench.h"
#include "update/Timing.h"

namespace drivesmith {
namespace {

using namespace testing_support;
using Bytes = std::vector<std::uint8_t>;
constexpr auto k1M = sim::LoaderLayout::OneMegabyte;
constexpr auto k2M = sim::LoaderLayout::TwoMegabyte;

struct HeadlessRun {
  HeadlessReport report;
  std::vector<sim::TraceEntry> trace;
  Bytes flash, pristineFlash, image;
  std::chrono::milliseconds elapsed{0};
};

HeadlessRun RunUpdateOn(const sim::DriveModel& model, unsigned imageMiB,
                        HeadlessOptions options = {},
                        TransportMode mode = TransportMode::PassThroughLetter) {
  UpdateBench bench(mode);
  sim::SimulatedDrive& drive = bench.AddDrive(model);
  PackedProgram program(imageMiB);
  EXPECT_TRUE(program.Ready()) << program.Error();
  HeadlessRun run;
  run.pristineFlash = drive.Flash();
  run.image = program.Image();
  run.report = RunHeadlessUpdate(bench.transport, program.File(), bench.clock, nullptr, options);
  run.trace = drive.Trace();
  run.flash = drive.Flash();
  run.elapsed = bench.clock.Now();
  return run;
}

bool Equal(const Bytes& a, const Bytes& b, std::ptrdiff_t from, std::ptrdiff_t to) {
  return std::equal(a.begin() + from, a.begin() + to, b.begin() + from);
}

Bytes Cdb10(std::uint8_t opcode, std::uint8_t byte3, std::uint8_t byte9) {
  return {opcode, 0, 0, byte3, 0, 0, 0, 0, 0, byte9};
}

Bytes TransferCdb(std::uint32_t length, std::uint8_t area) {
  return {0xE2, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8), 0, area, 0};
}

// 0, then (k + 1) / 2 after each of the 341 large blocks, 170 after the small
// one, 170 plus 15 per poll cycle, then 1000.
void ExpectOneMegabyteProgress(const std::vector<std::int32_t>& positions) {
  ASSERT_GE(positions.size(), 344u);
  EXPECT_EQ(positions[0], 0);
  for (std::size_t k = 0; k < 341; ++k)
    EXPECT_EQ(positions[1 + k], static_cast<std::int32_t>((k + 1) / 2)) << "block " << k;
  EXPECT_EQ(positions[341], 170);
  for (std::size_t i = 342; i + 1 < positions.size(); ++i)
    EXPECT_EQ(positions[i], 170 + 15 * static_cast<std::int32_t>(i - 342)) << "cycle " << i - 342;
  EXPECT_EQ(positions.back(), 1000);
}

TEST(HeadlessUpdate, OneMegabyteWithTheTenByteFallBackAndThePrepareFlashOrder) {
  sim::DriveModel model = DriveOf(k1M);
  model.faults.refuse12ByteTransfer = true;
  model.faults.acceptedPrepareParameter = 2;
  const HeadlessRun run = RunUpdateOn(model, 1, {}, TransportMode::PassThroughCdrom);
  const HeadlessReport& r = run.report;
  EXPECT_EQ(r.finalState, WizardState::Completed);
  EXPECT_EQ(r.closeLabel, "Reboot");
  EXPECT_EQ(r.rebootArmed, 1);

  const auto& trace = run.trace;
  ASSERT_GT(trace.size(), 350u);
  // The probe, ChangeToUpMode, 200 ms, Inquiry, 200 ms, block 0 refused in the
  // 12-byte form.
  EXPECT_EQ(trace[1].cdb[0], 0xE4);
  EXPECT_EQ(trace[2].at - trace[1].at, std::chrono::milliseconds(200));
  EXPECT_EQ(trace[3].at - trace[2].at, std::chrono::milliseconds(200));
  EXPECT_EQ(trace[3].cdb.size(), 12u);
  EXPECT_EQ(trace[3].status, 0x02);
  std::size_t i = 4;
  for (std::uint32_t k = 0; k < 342; ++k, ++i) {
    EXPECT_EQ(trace[i].cdb, TransferCdb(k < 341 ? 3072 : 1024, 0)) << k;
    EXPECT_EQ(trace[i].dataLength, k < 341 ? 3072u : 1024u) << k;
    EXPECT_EQ(trace[i].status, 0x00) << k;
  }
  for (std::uint8_t parameter = 0; parameter < 3; ++parameter, ++i)
    EXPECT_EQ(trace[i].cdb, Cdb10(0xE0, parameter, 0));
  EXPECT_EQ(trace[i++].cdb, Cdb10(0xE1, 0, 0));
  // The poll: RequestSense ahead of each TestUnitReady, ending on ten 0x3A.
  for (std::size_t j = i; j < trace.size(); j += 2) EXPECT_EQ(trace[j].cdb[0], 0x03);
  for (std::size_t j = trace.size() - 20; j < trace.size(); j += 2)
    EXPECT_EQ(trace[j + 1].asc, 0x3A);

  EXPECT_TRUE(Equal(run.flash, run.image, 0, 0x100000));
  ExpectOneMegabyteProgress(r.progressPositions);
}

// Every position the bar receives in a two-megabyte run: 0, one per poll
// cycle (sent at the cycle's start), one per block but every eighth of each
// area, and 1000 only at the end. The cycles of each wait are read from the
// trace: the probes of one cycle share their time.
std::vector<std::int32_t> TwoMegabyteProgress(const std::vector<sim::TraceEntry>& trace,
                                              bool loader) {
  std::vector<std::int32_t> expected{0};
  std::int32_t counter = 0;
  std::size_t j = 0;
  auto wait = [&] {
    while (j < trace.size() && trace[j].cdb[0] != 0x00) ++j;
    for (std::size_t k = j; j < trace.size() && trace[j].cdb[0] == 0x00; ++j)
      if (j == k || trace[j].at != trace[j - 1].at) expected.push_back(counter++);
  };
  auto area = [&](int large, int small) {
    for (int k = 0; k < large; ++k)
      if (k % 8 != 0) expected.push_back(++counter);
    for (int k = 0; k < small; ++k) expected.push_back(++counter);
  };
  wait();
  area(330, 2);
  wait();
  area(341, 1);
  wait();
  if (loader) {
    area(5, 1);
    wait();
  }
  expected.push_back(1000);
  return expected;
}

// Order of the areas (332 + 342 (+ 6) blocks), each loader revision's layout
// of the sum (the drive checks the sum itself), the flash, and the bar.
TEST(HeadlessUpdate, TwoMegabyteWithAndWithoutTheLoaderArea) {
  for (const char* revision : {"2.01", "2.00"}) {
    for (const bool loader : {false, true}) {
      SCOPED_TRACE(::testing::Message() << revision << (loader ? " with loader" : ""));
      HeadlessOptions options;
      options.tickUpdateLoader = loader;
      const HeadlessRun run = RunUpdateOn(DriveOf(k2M, revision), 2, options);
      const HeadlessReport& r = run.report;
      ASSERT_EQ(r.finalState, WizardState::Completed);

      const auto& trace = run.trace;
      const std::uint8_t flag = loader ? 0x40 : 0x00;
      std::size_t i = 3;  // after the probe, ChangeToUpMode and Inquiry
      EXPECT_EQ(trace[2].at - trace[1].at, std::chrono::milliseconds(200));
      EXPECT_EQ(trace[i].at, trace[2].at);  // no pause before the erase
      EXPECT_EQ(trace[i++].cdb, Cdb10(0xE0, 0, 0));
      EXPECT_EQ(trace[i++].cdb, Cdb10(0xE6, 0, flag));
      auto skipPoll = [&] {
        while (i < trace.size() && trace[i].cdb[0] == 0x00) ++i;
        EXPECT_EQ(trace[i - 1].asc, 0x3A);
      };
      auto expectArea = [&](std::uint8_t a, std::uint32_t large, std::uint32_t small,
                            bool confirm) {
        for (std::uint32_t k = 0; k < large + small; ++k, ++i) {
          ASSERT_LT(i, trace.size());
          EXPECT_EQ(trace[i].cdb, TransferCdb(k < large ? 3072 : 1024, a)) << k;
        }
        if (!confirm) return;
        Bytes cdb = trace[i++].cdb;
        ASSERT_EQ(cdb.size(), 12u);
        const bool newer = std::string(revision) == "2.01";
        std::fill_n(cdb.begin() + (newer ? 8 : 10), 2, 0);  // the sum
        const Bytes expected = newer ? Bytes{0xE7, 0, 0, 0, 0, 0, a, 0x40, 0, 0, 0, 0}
                                     : Bytes{0xE7, 0, 0, 0, 0, 0, 0, 0, a, 0x40, 0, 0};
        EXPECT_EQ(cdb, expected);
      };
      skipPoll();
      expectArea(1, 330, 2, true);
      skipPoll();
      expectArea(2, 341, 1, true);
      skipPoll();
      if (loader) {
        expectArea(5, 5, 1, false);
        EXPECT_EQ(trace[i++].cdb, Cdb10(0xE1, 0, 0x40));
        skipPoll();
      }
      EXPECT_EQ(i, trace.size());

      EXPECT_TRUE(Equal(run.flash, run.image, 0x8000, 0x200000));
      EXPECT_TRUE(Equal(run.flash, run.pristineFlash, 0x4000, 0x8000));
      EXPECT_TRUE(Equal(run.flash, loader ? run.image : run.pristineFlash, 0, 0x4000));
      EXPECT_EQ(r.progressPositions, TwoMegabyteProgress(trace, loader));
    }
  }
}

// A two-megabyte image for a one-megabyte drive asks first.
TEST(HeadlessUpdate, LayoutChangeYesRunsTheOneMegabyteSequenceWithTheLoaderFlagAndNoStops) {
  const HeadlessRun yes = RunUpdateOn(DriveOf(k1M), 2);
  ASSERT_EQ(yes.report.messageBoxes.size(), 1u);
  EXPECT_EQ(yes.report.messageBoxes[0].text, "You'll change FROM 1M to 2M.\r\nContinue?");
  EXPECT_EQ(yes.report.messageBoxes[0].caption, "Warning!!");
  EXPECT_EQ(yes.report.finalState, WizardState::Completed);
  EXPECT_EQ(CountOpcode(yes.trace, 0xE1), 1u);
  for (const auto& e : yes.trace) EXPECT_TRUE(e.cdb[0] != 0xE1 || e.cdb[9] == 0x40);
  EXPECT_EQ(CountOpcode(yes.trace, 0xAA), 342u);
  EXPECT_TRUE(Equal(yes.flash, yes.image, 0, 0x100000));
  ExpectOneMegabyteProgress(yes.report.progressPositions);

  HeadlessOptions options;
  options.answers = {MessageBoxAnswer::No};
  const HeadlessRun no = RunUpdateOn(DriveOf(k1M), 2, options);
  EXPECT_EQ(no.report.finalState, WizardState::ChooseDrive);
  EXPECT_EQ(no.trace.size(), 3u);
  EXPECT_TRUE(no.report.nextStartEnabled);
  EXPECT_TRUE(no.report.progressPositions.empty());
}

// Whether or not the layer signals the commands it finishes at once, the
// transport holds no command and at most one event throughout.
TEST(HeadlessUpdate, AspiDiscoveryListsByAddressAndUpdatesTheSelectedDrive) {
  for (const auto& [pick, signal] : {std::pair{-1, true}, {1, true}, {-1, false}, {1, false}}) {
    SCOPED_TRACE(::testing::Message() << pick << (signal ? " signalled" : " unsignalled"));
    UpdateBench bench(TransportMode::Aspi);
    bench.aspi.SignalCompletions(signal);
    sim::SimulatedDrive& second = bench.AddDrive(DriveOf(k1M), 1, 0);
    sim::SimulatedDrive& first = bench.AddDrive(DriveOf(k1M), 0, 1);
    PackedProgram program(1);
    HeadlessOptions options;
    if (pick >= 0) options.selectEntry = pick;
    const HeadlessReport r =
        RunHeadlessUpdate(bench.transport, program.File(), bench.clock, nullptr, options);
    EXPECT_EQ(r.listEntries, (std::vector<std::string>{"HA:0 ID:1  TAVIX   ZWR2040 DVD-RW  1.00",
                                                       "HA:1 ID:0  TAVIX   ZWR2040 DVD-RW  1.00"}));
    EXPECT_EQ(r.selectedEntry, pick < 0 ? 0 : pick);
    EXPECT_EQ(r.finalState, WizardState::Completed);
    EXPECT_TRUE((pick < 0 ? first : second).InUpMode());
    EXPECT_EQ((pick < 0 ? second : first).Trace().size(), 1u);  // the probe only
    EXPECT_EQ(bench.transport.AbandonedAspiCommands(), 0u);
    EXPECT_EQ(bench.aspi.MostEventsOpen(), 1u);
  }
}

// A run that fails after the erase leaves the drive in its loader; the next
// run lists it by the loader's name and updates it, as a real drive allows.
TEST(HeadlessUpdate, ASecondRunRecoversADriveLeftInItsLoader) {
  const std::vector<sim::TraceEntry> clean = RunUpdateOn(DriveOf(k2M), 2).trace;
  const auto firstOfSecondArea =
      std::find_if(clean.begin(), clean.end(),
                   [](const sim::TraceEntry& e) { return e.cdb[0] == 0xE2 && e.cdb[8] == 2; });
  ASSERT_NE(firstOfSecondArea, clean.end());
  sim::DriveModel model = DriveOf(k2M);
  model.faults.failCommandNumber = static_cast<int>(firstOfSecondArea - clean.begin());

  UpdateBench bench;
  sim::SimulatedDrive& drive = bench.AddDrive(model);
  PackedProgram program(2);
  const HeadlessReport failed = RunHeadlessUpdate(bench.transport, program.File(), bench.clock);
  EXPECT_EQ(failed.finalState, WizardState::Failed);
  EXPECT_TRUE(drive.InUpMode());
  EXPECT_EQ(drive.Flash()[sim::layout2m::kUpperBase], 0xFF);  // erased, not yet written

  const HeadlessReport second = RunHeadlessUpdate(bench.transport, program.File(), bench.clock);
  EXPECT_EQ(second.listEntries, std::vector<std::string>{"drive0 :  TAVIX   ZAzizud2 ZIRIVID2.01"});
  EXPECT_EQ(second.finalState, WizardState::Completed);
  EXPECT_TRUE(Equal(drive.Flash(), program.Image(), sim::layout2m::kMainBase, 0x200000));
}

// Each step of a clean run (every flash command, the first and last block of
// each area, the first and the last probe of each wait) fails or falls silent
// in a run of its own. A failure ends in state 12 with nothing sent after it;
// a silent drive gets only the step again or the poll, and nothing hangs; nor
// does flash work that never ends.
TEST(HeadlessFaultCampaign, EveryStepFailingOrSilentEndsTheUpdate) {
  for (const bool twoMegabyte : {false, true}) {
    sim::DriveModel model = DriveOf(twoMegabyte ? k2M : k1M);
    model.faults.refuse12ByteTransfer = !twoMegabyte;
    HeadlessOptions options;
    options.tickUpdateLoader = twoMegabyte;
    const unsigned size = twoMegabyte ? 2 : 1;
    const std::vector<sim::TraceEntry> clean = RunUpdateOn(model, size, options).trace;
    auto opcodeAt = [&](std::size_t j) { return j < clean.size() ? clean[j].cdb[0] : 0xFF; };
    std::vector<std::size_t> points;
    for (std::size_t j = 3; j < clean.size(); ++j) {
      // Blocks and probes come in runs: their first and last are picked.
      const std::uint8_t code = clean[j].cdb[0];
      const bool inRun = code == 0xE2 || code == 0x00;
      if (inRun ? opcodeAt(j - 1) != code || opcodeAt(j + 1) != code : code >= 0xE0)
        points.push_back(j);
    }
    ASSERT_EQ(points.size(), twoMegabyte ? 19u : 6u);
    for (const std::size_t at : points) {
      for (const bool silent : {false, true}) {
        SCOPED_TRACE(::testing::Message() << size << " MiB, command " << at << " opcode "
                                          << int{clean[at].cdb[0]} << (silent ? " silent" : ""));
        sim::DriveModel faulty = model;
        if (silent) {
          faulty.faults.stopRespondingAfter = static_cast<int>(at);
        } else {
          faulty.faults.failCommandNumber = static_cast<int>(at);
        }
        const HeadlessRun run = RunUpdateOn(faulty, size, options);
        const auto& trace = run.trace;
        ASSERT_GT(trace.size(), at);
        // A single refused PrepareFlash of the one-megabyte layout is
        // answered by the next parameter.
        if (!silent && !twoMegabyte && clean[at].cdb[0] == 0xE0) {
          EXPECT_EQ(run.report.finalState, WizardState::Completed);
          EXPECT_EQ(trace[at + 1].cdb, Cdb10(0xE0, 1, 0));
          continue;
        }
        EXPECT_EQ(run.report.finalState, WizardState::Failed);
        EXPECT_EQ(run.report.rebootArmed, 0);
        EXPECT_NE(run.report.progressPositions.back(), 1000);
        if (!silent) {
          EXPECT_EQ(trace.size(), at + 1) << "commands were sent after the failing one";
          continue;
        }
        for (std::size_t j = at + 1; j < trace.size(); ++j) {
          EXPECT_TRUE(trace[j].cdb[0] == 0x00 || trace[j].cdb[0] == 0xE0) << j;
          EXPECT_EQ(trace[j].status, 0xFF);
        }
        EXPECT_LT(run.elapsed, timing::kWaitForDriveLimit * 2);
      }
    }
    // Flash work that never ends fails at the first wait's limit.
    model.faults.neverFinish = true;
    const HeadlessRun stuck = RunUpdateOn(model, size, options);
    EXPECT_EQ(stuck.report.finalState, WizardState::Failed);
    EXPECT_GE(stuck.elapsed, timing::kWaitForDriveLimit);
    EXPECT_LT(stuck.elapsed, timing::kWaitForDriveLimit + std::chrono::minutes(1));
  }
}

using std::chrono::milliseconds;

// The wizard on one simulated drive, kept open after Start so that further
// presses can follow.
struct OpenWizard {
  OpenWizard(const sim::DriveModel& model, unsigned imageMiB, HeadlessOptions options = {},
             std::string typeCode = "M7EH00", TransportMode mode = TransportMode::PassThroughLetter)
      : bench(mode),
        drive(bench.AddDrive(model)),
        program(imageMiB, std::move(typeCode)),
        runner(bench.transport, program.File(), bench.clock, nullptr, std::move(options)) {
    EXPECT_TRUE(program.Ready()) << program.Error();
  }
  WizardState State() { return runner.Dialog().State().UpdateState; }
  const RecordingDialogView::ControlState& Control(ControlId id) {
    return runner.View().Control(id);
  }
  // Next >, Back and Close as the state table and the update leave them.
  void ExpectButtons(const char* next, bool nextEnabled, bool backEnabled) {
    EXPECT_EQ(Control(ControlId::NextStart).text, next);
    EXPECT_EQ(Control(ControlId::NextStart).enabled, nextEnabled);
    EXPECT_EQ(Control(ControlId::Back).enabled, backEnabled);
    EXPECT_TRUE(Control(ControlId::Close).enabled);
    EXPECT_NE(Control(ControlId::Close).text, "Reboot");
  }

  UpdateBench bench;
  sim::SimulatedDrive& drive;
  PackedProgram program;
  HeadlessRunner runner;
};

// The refusals before an update: the box for a drive of another model, state
// 14 for a drive that does not answer in Up Mode or whose layout does not fit
// the image, 13 for another type code. Next > in 13 and 14 goes back to state
// 0 and sends nothing.
TEST(HeadlessRefusals, BoxesStatesAndButtonsWithNothingSentAfterwards) {
  sim::DriveModel otherModel = DriveOf(k1M);
  otherModel.vendor = "OTHERCO ";
  otherModel.product = "DVD-RW 2040     ";
  sim::DriveModel silentInUpMode = DriveOf(k1M);
  silentInUpMode.faults.failCommandNumber = 2;  // the Inquiry after ChangeToUpMode
  const struct {
    const char* name;
    sim::DriveModel model;
    unsigned imageMiB;
    const char* typeCode;
    WizardState state;
    std::size_t commands;  // the drive's, discovery's probe included
  } rows[] = {
      {"another model", otherModel, 1, "M7EH00", WizardState::ReadyToStart, 1},
      {"no answer in Up Mode", silentInUpMode, 1, "M7EH00", WizardState::NoUpMode, 3},
      {"one-megabyte image, two-megabyte drive", DriveOf(k2M), 1, "M7EH00", WizardState::NoUpMode,
       3},
      {"another type code", DriveOf(k1M), 1, "X7EH00", WizardState::WrongTypeCode, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HeadlessOptions options;
    options.applicationName = "drivesmith-7";
    OpenWizard w(row.model, row.imageMiB, options, row.typeCode);
    const HeadlessReport r = w.runner.Run();
    EXPECT_EQ(r.finalState, row.state);
    EXPECT_EQ(w.drive.Trace().size(), row.commands);
    EXPECT_TRUE(r.progressPositions.empty());
    if (row.state == WizardState::ReadyToStart) {
      ASSERT_EQ(r.messageBoxes.size(), 1u);
      EXPECT_EQ(r.messageBoxes[0].text, "Sorry, this flash utility can't update this model.");
      EXPECT_EQ(r.messageBoxes[0].caption, "drivesmith-7");
      EXPECT_EQ(r.messageBoxes[0].kind, MessageBoxKind::ExclamationOk);
      // Nothing was redrawn: the Start screen stays as it was.
      EXPECT_EQ(r.statesShown, (std::vector{WizardState::ChooseDrive, WizardState::ReadyToStart}));
      w.ExpectButtons("Start", true, true);
      continue;
    }
    EXPECT_TRUE(r.messageBoxes.empty());
    EXPECT_EQ(r.statesShown.back(), row.state);
    w.ExpectButtons("Next >", true, true);
    w.runner.Dialog().OnNextStart();
    EXPECT_EQ(w.State(), WizardState::ChooseDrive);
    EXPECT_EQ(w.drive.Trace().size(), row.commands);
    w.ExpectButtons("Next >", true, false);
    w.runner.Dialog().OnNextStart();
    EXPECT_EQ(w.State(), WizardState::ReadyToStart);
    EXPECT_EQ(w.drive.Trace().size(), row.commands);
  }
}

// The load's failures, end to end: the program file gone by the time of the
// load (the file layer's report names it, then state 12), an image of 0 MiB;
// neither sends a command of a sequence. A boot loader that is not in the
// table is of the one-megabyte layout, whatever its revision says.
TEST(HeadlessLoad, FailuresAndAnUnknownLoaderEndToEnd) {
  {
    SCOPED_TRACE("program file gone");
    OpenWizard w(DriveOf(k1M), 1);
    w.runner.Dialog().InitDialog();
    ASSERT_TRUE(std::filesystem::remove(w.program.Path()));
    w.runner.Dialog().OnNextStart();
    w.runner.Dialog().OnNextStart();
    EXPECT_EQ(w.State(), WizardState::Failed);
    const auto& boxes = w.runner.View().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
#ifdef _WIN32
    // Windows words the cause itself, and Wine in other words than Windows.
    const std::string opening = "Cannot open file \"" + w.program.Path() + "\": ";
    EXPECT_EQ(boxes[0].text.substr(0, opening.size()), opening);
    EXPECT_GT(boxes[0].text.size(), opening.size() + 1);
    EXPECT_EQ(boxes[0].text.back(), '.');
#else
    EXPECT_EQ(boxes[0].text,
              "Cannot open file \"" + w.program.Path() + "\": No such file or directory.");
#endif
    EXPECT_EQ(boxes[0].caption, "drivesmith");
    EXPECT_EQ(boxes[0].kind, MessageBoxKind::ExclamationOk);
    EXPECT_EQ(w.drive.Trace().size(), 3u);
    w.ExpectButtons("Next >", false, true);
  }
  {
    SCOPED_TRACE("image of 0 MiB");
    OpenWizard w(DriveOf(k1M), 1);
    std::FILE* file = std::fopen(w.program.Path().c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fseek(file, -1, SEEK_END), 0);
    ASSERT_EQ(std::fputc(0, file), 0);
    ASSERT_EQ(std::fclose(file), 0);
    const HeadlessReport r = w.runner.Run();
    EXPECT_EQ(r.finalState, WizardState::Failed);
    EXPECT_TRUE(r.messageBoxes.empty());
    EXPECT_EQ(w.drive.Trace().size(), 3u);
  }
  {
    // After a refused attempt on a two-megabyte drive, in the same dialog.
    SCOPED_TRACE("unknown loader of revision 2.50");
    sim::DriveModel model = DriveOf(k1M, "2.50");
    model.loaderProduct = "ZAzizud3 ZIRIVID";
    OpenWizard w(DriveOf(k2M), 1);
    sim::SimulatedDrive& unknown = w.bench.AddDrive(model, 1);
    EXPECT_EQ(w.runner.Run().finalState, WizardState::NoUpMode);
    UpdateDialog& dialog = w.runner.Dialog();
    dialog.OnNextStart();
    w.runner.View().SelectListEntry(1);
    dialog.OnNextStart();
    dialog.OnNextStart();
    const HeadlessReport r = w.runner.Report();
    EXPECT_EQ(r.finalState, WizardState::Completed);
    EXPECT_EQ(r.driveFlashSizeCode, kFlash1M);
    EXPECT_EQ(CountOpcode(unknown.Trace(), 0xAA), 342u);
    EXPECT_EQ(CountOpcode(unknown.Trace(), 0xE6), 0u);
  }
}

// Through ASPI, a drive that refuses one block with "medium not present" and
// then falls silent: the silent repeat is a refusal without sense data, the
// 10-byte form falls silent too, and the update fails after two completion
// waits of 5000 ms, not after a thousand.
TEST(HeadlessAspi, SilenceAfterOneMediumNotPresentFailsAfterTwoCompletionWaits) {
  sim::DriveModel model = DriveOf(k1M);
  model.faults.mediumNotPresentBeforeBlock[5] = 1;
  model.faults.stopRespondingAfter = 9;  // the probe, Up Mode, Inquiry, blocks 0 to 5
  const HeadlessRun run = RunUpdateOn(model, 1, {}, TransportMode::Aspi);
  EXPECT_EQ(run.report.finalState, WizardState::Failed);
  ASSERT_EQ(run.trace.size(), 11u);
  EXPECT_EQ(run.trace[8].asc, 0x3A);
  EXPECT_EQ(run.trace[9].cdb.size(), 12u);
  EXPECT_EQ(run.trace[10].cdb.size(), 10u);
  EXPECT_EQ(run.elapsed, milliseconds(200 + 200 + 5000 + 5000));
}

}  // namespace
}  // namespace drivesmith
