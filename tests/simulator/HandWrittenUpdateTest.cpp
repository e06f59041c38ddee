// Whole updates of the simulated drive written out command by command with
// DriveCommands, through the real ScsiTransport over both simulated
// transports, ending with the flash compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "drive/DriveCommands.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/simulator/DriveBench.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::sim {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;

enum class Via { Aspi, PassThroughCdrom };

std::string ViaName(Via via) { return via == Via::Aspi ? "Aspi" : "PassThroughCdrom"; }
TransportMode ModeOf(Via via) {
  return via == Via::Aspi ? TransportMode::Aspi : TransportMode::PassThroughCdrom;
}

// One drive behind one transport, addressed as discovery would address it.
struct Rig {
  Rig(DriveModel model, Via via_)
      : via(via_), drive(std::move(model), clock), transport(ModeOf(via_), &aspi, &passThrough) {
    aspi.Attach(1, 3, drive);
    passThrough.Attach("\\\\.\\cdrom2", drive);
    request.hostAdapter = 1;
    request.targetId = 3;
    request.driveIndex = 2;
  }

  int Send(std::span<const std::uint8_t> bytes, std::uint8_t area, std::uint32_t form) {
    std::copy(bytes.begin(), bytes.end(), request.Data());
    return commands.TransferData(static_cast<std::uint32_t>(bytes.size()), form, area);
  }

  // A command outside the update protocol, set up the way DriveCommands sets
  // up its own.
  int Raw(const Bytes& block, std::uint8_t direction, std::int32_t length) {
    SrbExecScsiCmd& srb = request.aspi;
    srb.SRB_HaId = request.hostAdapter;
    srb.SRB_Target = request.targetId;
    srb.SRB_Flags = direction;
    srb.SRB_CDBLen = static_cast<std::uint8_t>(block.size());
    std::fill(std::begin(srb.CDBByte), std::end(srb.CDBByte), std::uint8_t{0});
    std::copy(block.begin(), block.end(), srb.CDBByte);
    return transport.SendRequest(request, length);
  }

  // What desktops send to optical drives on their own.
  void BackgroundChatter() {
    Raw({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0}, aspi::kFlagDataIn, 8);
    Raw({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0}, aspi::kFlagDataIn, 64);
    Raw({0x46, 0x02, 0, 0, 0, 0, 0, 0, 8, 0}, aspi::kFlagDataIn, 8);
    Raw({0x1E, 0, 0, 0, 0, 0}, aspi::kFlagNoData, 0);
    Raw({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, aspi::kFlagDataIn, 8);
    Raw({0x51, 0, 0, 0, 0, 0, 0, 0, 32, 0}, aspi::kFlagDataIn, 32);
  }

  Via via;
  SimulatedClock clock;
  SimulatedDrive drive;
  SimulatedAspi aspi{clock};
  SimulatedPassThrough passThrough{clock};
  ScsiTransport transport;
  ScsiRequest request{};
  DriveCommands commands{request, transport};
  bool chatter = false;  // background commands between the update's own
};

struct PollResult {
  bool finished = false;
  std::uint8_t asc = 0;
  std::vector<std::uint8_t> phases;  // each phase once, in the order reported
  int cycles = 0;                    // poll cycles run, the last one included
};

// Follows the drive's work the way the drive's contract describes: a probe of
// TestUnitReady (with RequestSense ahead of it on cdrom-number pass-through)
// until ten "medium not present" answers in a row, 200 ms between probes.
PollResult Poll(Rig& rig, int cycleLimit = 1000) {
  PollResult result;
  while (result.cycles < cycleLimit) {
    ++result.cycles;
    rig.clock.Sleep(200ms);
    if (rig.chatter) rig.BackgroundChatter();
    int inARow = 0;
    while (true) {
      if (rig.via == Via::PassThroughCdrom) rig.commands.RequestSense();
      rig.commands.TestUnitReady();
      if (rig.request.asc != asc::kMediumNotPresent) break;
      if (++inARow == 10) {
        result.finished = true;
        return result;
      }
    }
    result.asc = rig.request.asc;
    if (result.asc == asc::kWorkInProgress) {
      if (result.phases.empty() || result.phases.back() != rig.request.ascq) {
        result.phases.push_back(rig.request.ascq);
      }
    } else if (result.asc != 0x00 && result.asc != asc::kInvalidOpcode) {
      return result;
    }
  }
  return result;
}

bool InUpModeWithLoader(Rig& rig, const std::string& product) {
  if (rig.commands.ChangeToUpMode(1) != 1) return false;
  rig.clock.Sleep(200ms);
  if (rig.commands.Inquiry() != 1) return false;
  return std::string(rig.request.Data() + 16, rig.request.Data() + 32) == product;
}

// The one-megabyte update: 341 blocks of 3072 bytes and one of 1024 bytes,
// PrepareFlash, WriteFlash, then the poll. Starts with the 12-byte form and
// keeps the 10-byte form once it had to switch; repeats a block refused with
// "medium not present".
int OneMegabyteUpdate(Rig& rig, const Bytes& image, PollResult& poll, std::uint8_t prepare = 0) {
  std::uint32_t form = kForm12Byte;
  for (std::size_t k = 0; k < 341; ++k) {
    const std::span<const std::uint8_t> block(image.data() + 3072 * k, 3072);
    while (rig.Send(block, 0, form) != 1) {
      if (rig.request.asc == asc::kMediumNotPresent) continue;
      if (form == kForm10Byte) return 0;
      form = kForm10Byte;
    }
    if (rig.chatter && k % 32 == 0) rig.BackgroundChatter();
  }
  if (rig.Send({image.data() + 0xFFC00, 1024}, 0, form) != 1) return 0;
  if (rig.commands.PrepareFlash(prepare) != 1) return 0;
  if (rig.commands.WriteFlash(0) != 1) return 0;
  poll = Poll(rig);
  return poll.finished ? 1 : 0;
}

int SendArea(Rig& rig, const Bytes& image, std::size_t begin, std::size_t end, std::uint8_t area,
             std::uint16_t& sum) {
  sum = 0;
  std::size_t at = begin;
  int k = 0;
  while (at < end) {
    const std::size_t length = end - at >= 3072 ? 3072 : 1024;
    const std::span<const std::uint8_t> block(image.data() + at, length);
    if (rig.Send(block, area, kForm10Byte) != 1) return 0;
    sum = static_cast<std::uint16_t>(sum + testing::Sum16(block));
    if (rig.chatter && ++k % 32 == 0) rig.BackgroundChatter();
    at += length;
  }
  return 1;
}

struct TwoMegabyteRun {
  bool withLoader = false;
  std::uint16_t sumOffset = 0;  // added to the sum of area 1
  std::vector<PollResult> polls;
};

int TwoMegabyteUpdate(Rig& rig, const Bytes& image, TwoMegabyteRun& run) {
  const double version = 2.01;
  const std::uint32_t flag = run.withLoader ? 1 : 0;
  auto waitOk = [&] {
    run.polls.push_back(Poll(rig));
    return run.polls.back().finished;
  };
  if (rig.commands.PrepareFlash(0) != 1) return 0;
  if (rig.commands.EraseFlash(flag) != 1 || !waitOk()) return 0;
  std::uint16_t sum = 0;
  if (SendArea(rig, image, 0x8000, 0x100000, 1, sum) != 1) return 0;
  if (rig.commands.ConfirmSumCode(1, static_cast<std::uint16_t>(sum + run.sumOffset), version) !=
          1 ||
      !waitOk()) {
    return 0;
  }
  if (SendArea(rig, image, 0x100000, 0x200000, 2, sum) != 1) return 0;
  if (rig.commands.ConfirmSumCode(2, sum, version) != 1 || !waitOk()) return 0;
  if (run.withLoader) {
    if (SendArea(rig, image, 0, 0x4000, 5, sum) != 1) return 0;
    if (rig.commands.WriteFlash(flag) != 1 || !waitOk()) return 0;
  }
  return 1;
}

bool Same(const Bytes& a, const Bytes& b, std::size_t begin, std::size_t end) {
  return std::equal(a.begin() + static_cast<std::ptrdiff_t>(begin),
                    a.begin() + static_cast<std::ptrdiff_t>(end),
                    b.begin() + static_cast<std::ptrdiff_t>(begin));
}

void ExpectNoLeftovers(const Rig& rig) {
  EXPECT_EQ(rig.aspi.EventsOpen(), 0u);
  EXPECT_EQ(rig.aspi.UnknownEventCalls(), 0);
  EXPECT_EQ(rig.passThrough.Statistics().opened, rig.passThrough.Statistics().closed);
  EXPECT_EQ(rig.passThrough.Statistics().refusedRequests, 0);
}

DriveModel OneMegabyteModel() { return testing::OneMegabyteModel(); }

class HandWrittenUpdate : public ::testing::TestWithParam<Via> {
 protected:
  std::unique_ptr<Rig> MakeRig(DriveModel model) {
    return std::make_unique<Rig>(std::move(model), GetParam());
  }
};

// Background commands of the desktop go to the drive before and during the
// updates, in both modes.
TEST_P(HandWrittenUpdate, OneMegabyteFullUpdateAmidBackgroundCommands) {
  auto rig = MakeRig(OneMegabyteModel());
  const Bytes image = testing::MakeImage(1, 21);
  rig->chatter = true;
  rig->BackgroundChatter();
  ASSERT_TRUE(InUpModeWithLoader(*rig, "ZAzizud1 TIRIVIC"));
  PollResult poll;
  ASSERT_EQ(OneMegabyteUpdate(*rig, image, poll), 1);
  EXPECT_EQ(poll.phases, (std::vector<std::uint8_t>{0, 1, 2, 3}));
  EXPECT_EQ(rig->drive.Flash(), image);
  const auto transfers = std::count_if(rig->drive.Trace().begin(), rig->drive.Trace().end(),
                                       [](const TraceEntry& e) { return e.cdb[0] == 0xAA; });
  EXPECT_EQ(transfers, 342);
  ExpectNoLeftovers(*rig);
}

class TwoMegabyteUpdateTest : public ::testing::TestWithParam<std::tuple<Via, bool>> {};

TEST_P(TwoMegabyteUpdateTest, FlashHoldsTheImageWhereItWasSent) {
  const auto [via, withLoader] = GetParam();
  auto rig = std::make_unique<Rig>(DriveModel{}, via);
  const Bytes image = testing::MakeImage(2, 23);
  const Bytes old = rig->drive.Flash();
  rig->chatter = true;
  rig->BackgroundChatter();
  ASSERT_TRUE(InUpModeWithLoader(*rig, "ZAzizud2 ZIRIVID"));
  TwoMegabyteRun run;
  run.withLoader = withLoader;
  ASSERT_EQ(TwoMegabyteUpdate(*rig, image, run), 1);

  const Bytes& flash = rig->drive.Flash();
  EXPECT_TRUE(Same(flash, image, 0x8000, 0x200000));
  EXPECT_TRUE(Same(flash, old, 0x4000, 0x8000));  // never touched by an update
  EXPECT_TRUE(Same(flash, withLoader ? image : old, 0, 0x4000));
  EXPECT_FALSE(Same(old, image, 0x4000, 0x8000));

  ASSERT_EQ(run.polls.size(), withLoader ? 4u : 3u);
  EXPECT_EQ(run.polls[0].phases, std::vector<std::uint8_t>{1});
  EXPECT_EQ(run.polls[1].phases, (std::vector<std::uint8_t>{0, 2}));
  EXPECT_EQ(run.polls[2].phases, (std::vector<std::uint8_t>{0, 2}));
  if (withLoader) {
    EXPECT_EQ(run.polls[3].phases, std::vector<std::uint8_t>{2});
  }
  EXPECT_EQ(rig->drive.AreaData(1).size(), 0xF8000u);
  EXPECT_EQ(rig->drive.AreaData(5).size(), withLoader ? 0x4000u : 0u);
  EXPECT_GT(std::count_if(rig->drive.Trace().begin(), rig->drive.Trace().end(),
                          [](const TraceEntry& e) { return e.cdb[0] == 0x4A; }),
            20);
  ExpectNoLeftovers(*rig);
}

INSTANTIATE_TEST_SUITE_P(Transports, TwoMegabyteUpdateTest,
                         ::testing::Combine(::testing::Values(Via::Aspi, Via::PassThroughCdrom),
                                            ::testing::Bool()),
                         [](const auto& testInfo) {
                           return ViaName(std::get<0>(testInfo.param)) +
                                  (std::get<1>(testInfo.param) ? "WithLoader" : "WithoutLoader");
                         });

TEST_P(HandWrittenUpdate, WrongSumIsReportedAsAFailureAndTheAreaStaysErased) {
  auto rig = MakeRig(DriveModel{});
  const Bytes image = testing::MakeImage(2, 24);
  ASSERT_TRUE(InUpModeWithLoader(*rig, "ZAzizud2 ZIRIVID"));
  TwoMegabyteRun run;
  run.sumOffset = 1;
  EXPECT_EQ(TwoMegabyteUpdate(*rig, image, run), 0);
  ASSERT_EQ(run.polls.size(), 2u);
  EXPECT_FALSE(run.polls[1].finished);
  EXPECT_EQ(run.polls[1].asc, asc::kSumMismatch);
  EXPECT_EQ(run.polls[1].phases, std::vector<std::uint8_t>{0});
  const Bytes& flash = rig->drive.Flash();
  EXPECT_TRUE(std::all_of(flash.begin() + 0x8000, flash.end(), [](auto b) { return b == 0xFF; }));
  EXPECT_TRUE(rig->drive.AreaData(2).empty());
}

INSTANTIATE_TEST_SUITE_P(Transports, HandWrittenUpdate,
                         ::testing::Values(Via::Aspi, Via::PassThroughCdrom),
                         [](const auto& testInfo) { return ViaName(testInfo.param); });

// --- Faults through the transports ------------------------------------------

class FaultThroughTransport : public HandWrittenUpdate {};

TEST_P(FaultThroughTransport, RefusedTwelveByteFormSwitchesToTheTenByteForm) {
  DriveModel model = OneMegabyteModel();
  model.faults.refuse12ByteTransfer = true;
  auto rig = MakeRig(model);
  const Bytes image = testing::MakeImage(1, 31);
  ASSERT_TRUE(InUpModeWithLoader(*rig, "ZAzizud1 TIRIVIC"));
  EXPECT_EQ(rig->Send({image.data(), 3072}, 0, kForm12Byte), 0);
  EXPECT_EQ(rig->request.asc, asc::kInvalidOpcode);
  PollResult poll;
  ASSERT_EQ(OneMegabyteUpdate(*rig, image, poll), 1);
  EXPECT_EQ(rig->drive.Flash(), image);
  const auto tenByte = std::count_if(rig->drive.Trace().begin(), rig->drive.Trace().end(),
                                     [](const TraceEntry& e) { return e.cdb[0] == 0xE2; });
  EXPECT_EQ(tenByte, 342);
}

TEST_P(FaultThroughTransport, MediumNotPresentBlocksAreRepeatedWithoutDuplicates) {
  DriveModel model = OneMegabyteModel();
  model.faults.mediumNotPresentBeforeBlock = {{5, 2}, {340, 1}};
  auto rig = MakeRig(model);
  const Bytes image = testing::MakeImage(1, 32);
  ASSERT_TRUE(InUpModeWithLoader(*rig, "ZAzizud1 TIRIVIC"));
  PollResult poll;
  ASSERT_EQ(OneMegabyteUpdate(*rig, image, poll), 1);
  EXPECT_EQ(rig->drive.Flash(), image);
  const auto refused =
      std::count_if(rig->drive.Trace().begin(), rig->drive.Trace().end(),
                    [](const TraceEntry& e) { return e.cdb[0] == 0xAA && e.asc == 0x3A; });
  EXPECT_EQ(refused, 3);
}

TEST_P(FaultThroughTransport, StopRespondingTimesTheTransportOut) {
  DriveModel model;
  model.faults.stopRespondingAfter = 1;
  auto rig = MakeRig(model);
  EXPECT_EQ(rig->commands.TestUnitReady(), 0);  // answered: no disc
  EXPECT_EQ(rig->request.asc, asc::kMediumNotPresent);
  const auto before = rig->clock.Now();
  EXPECT_EQ(rig->commands.ChangeToUpMode(1), 0);
  EXPECT_FALSE(rig->drive.InUpMode());
  if (GetParam() == Via::Aspi) {
    EXPECT_EQ(rig->clock.Now() - before, 5000ms);
    EXPECT_EQ(rig->request.asc, asc::kMediumNotPresent);  // left from the command before
    EXPECT_EQ(rig->transport.AbandonedAspiCommands(), 1u);
  } else {
    EXPECT_EQ(rig->clock.Now() - before, 2000ms);
    EXPECT_EQ(rig->request.asc, 0);
    EXPECT_EQ(rig->passThrough.Statistics().opened, rig->passThrough.Statistics().closed);
  }
  EXPECT_EQ(rig->drive.Trace().back().status, kStatusNoAnswer);
}

INSTANTIATE_TEST_SUITE_P(Transports, FaultThroughTransport,
                         ::testing::Values(Via::Aspi, Via::PassThroughCdrom),
                         [](const auto& testInfo) { return ViaName(testInfo.param); });

}  // namespace
}  // namespace drivesmith::sim
