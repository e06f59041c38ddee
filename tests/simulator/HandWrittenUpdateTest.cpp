// Whole updates of the simulated drive written out command by command with
// DriveCommands, through the real ScsiTransport over both simulated
// transports, ending with the flash compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "drive/DriveCommands.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedPassThrough.h"
#include "tools/imagegen/SyntheticImage.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr TransportMode kModes[] = {TransportMode::Aspi, TransportMode::PassThroughCdrom};

Bytes MakeImage(unsigned sizeMiB) {
  SyntheticImageOptions options;
  options.sizeMiB = sizeMiB;
  Bytes image;
  std::string error;
  EXPECT_TRUE(BuildSyntheticImage(options, image, error)) << error;
  return image;
}

// One drive behind one transport, addressed as discovery would address it.
struct Rig {
  Rig(TransportMode mode_, DriveModel model)
      : mode(mode_), drive(std::move(model), clock), transport(mode_, &aspi, &passThrough) {
    aspi.Attach(1, 3, drive);
    passThrough.Attach({TransportMode::PassThroughCdrom, 2}, drive);
    request.hostAdapter = 1;
    request.targetId = 3;
    request.driveIndex = 2;
  }

  // What desktops send to optical drives on their own, set up the way
  // DriveCommands sets up its own commands.
  void BackgroundChatter() {
    const std::pair<Bytes, std::int32_t> kChatter[] = {{{0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0}, 8},
                                                       {{0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0}, 64},
                                                       {{0x1E, 0, 0, 0, 0, 0}, 0},
                                                       {{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8}};
    for (const auto& [block, length] : kChatter) {
      SrbExecScsiCmd& srb = request.aspi;
      srb.SRB_HaId = request.hostAdapter;
      srb.SRB_Target = request.targetId;
      srb.SRB_Flags = length > 0 ? aspi::kFlagDataIn : aspi::kFlagNoData;
      srb.SRB_CDBLen = static_cast<std::uint8_t>(block.size());
      std::fill(std::begin(srb.CDBByte), std::end(srb.CDBByte), std::uint8_t{0});
      std::copy(block.begin(), block.end(), srb.CDBByte);
      transport.SendRequest(request, length);
    }
  }

  int Count(std::uint8_t opcode) const {
    return static_cast<int>(std::count_if(drive.Trace().begin(), drive.Trace().end(),
                                          [&](const TraceEntry& e) { return e.cdb[0] == opcode; }));
  }

  TransportMode mode;
  SimulatedClock clock;
  SimulatedDrive drive;
  SimulatedAspi aspi{clock};
  SimulatedPassThrough passThrough{clock};
  ScsiTransport transport;
  ScsiRequest request{};
  DriveCommands commands{request, transport};
};

// Follows the drive's work: a probe of TestUnitReady (with RequestSense ahead
// of it on cdrom-number pass-through) until ten "medium not present" answers
// in a row, 200 ms and the desktop's chatter between probes. Phase reports,
// readiness and an invalid opcode keep it going; any other answer fails it.
bool Poll(Rig& rig) {
  for (int cycle = 0; cycle < 1000; ++cycle) {
    rig.clock.Sleep(200ms);
    rig.BackgroundChatter();
    for (int inARow = 0;;) {
      if (rig.mode == TransportMode::PassThroughCdrom) rig.commands.RequestSense();
      rig.commands.TestUnitReady();
      if (rig.request.asc != sense::kMediumNotPresent) break;
      if (++inARow == 10) return true;
    }
    const std::uint8_t code = rig.request.asc;
    if (code != sense::kDrivePhase && code != sense::kNoSense &&
        code != sense::kInvalidOperationCode)
      return false;
  }
  return false;
}

bool InUpModeWithLoader(Rig& rig, const std::string& product) {
  if (rig.commands.ChangeToUpMode(1) != 1) return false;
  rig.clock.Sleep(200ms);
  if (rig.commands.Inquiry() != 1) return false;
  return std::string(rig.request.Data() + 16, rig.request.Data() + 32) == product;
}

// Sends image[begin, end) in blocks of 3072 bytes, then 1024 bytes, with the
// desktop's chatter after every 32nd block. Repeats a block refused with
// "medium not present"; falls back from the 12-byte form to the 10-byte form
// once and keeps it.
int SendArea(Rig& rig, const Bytes& image, std::size_t begin, std::size_t end, std::uint8_t area,
             std::uint32_t& form, std::uint16_t& sum) {
  sum = 0;
  for (std::size_t at = begin; at < end;) {
    const std::uint32_t length = end - at >= 3072 ? 3072 : 1024;
    std::copy(image.data() + at, image.data() + at + length, rig.request.Data());
    while (rig.commands.TransferData(length, form, area) != 1) {
      if (rig.request.asc == sense::kMediumNotPresent) continue;
      if (form == kForm10Byte) return 0;
      form = kForm10Byte;
    }
    for (std::size_t i = at; i < at + length; ++i) sum = static_cast<std::uint16_t>(sum + image[i]);
    if ((at / 3072) % 32 == 0) rig.BackgroundChatter();
    at += length;
  }
  return 1;
}

// 342 blocks, PrepareFlash, WriteFlash, then the poll.
int OneMegabyteUpdate(Rig& rig, const Bytes& image) {
  std::uint32_t form = kForm12Byte;
  std::uint16_t sum = 0;
  if (SendArea(rig, image, 0, 0x100000, 0, form, sum) != 1) return 0;
  if (rig.commands.PrepareFlash(0) != 1 || rig.commands.WriteFlash(0) != 1) return 0;
  return Poll(rig) ? 1 : 0;
}

// Erase, area 1 and its sum, area 2 and its sum, and with the loader flag the
// loader area and WriteFlash; a poll after each piece of flash work.
int TwoMegabyteUpdate(Rig& rig, const Bytes& image, bool withLoader, std::uint16_t sumOffset) {
  const std::uint32_t flag = withLoader ? 1 : 0;
  std::uint32_t form = kForm10Byte;
  std::uint16_t sum = 0;
  if (rig.commands.PrepareFlash(0) != 1) return 0;
  if (rig.commands.EraseFlash(flag) != 1 || !Poll(rig)) return 0;
  if (SendArea(rig, image, 0x8000, 0x100000, 1, form, sum) != 1) return 0;
  sum = static_cast<std::uint16_t>(sum + sumOffset);
  if (rig.commands.ConfirmSumCode(1, sum, 2.01) != 1 || !Poll(rig)) return 0;
  if (SendArea(rig, image, 0x100000, 0x200000, 2, form, sum) != 1) return 0;
  if (rig.commands.ConfirmSumCode(2, sum, 2.01) != 1 || !Poll(rig)) return 0;
  if (!withLoader) return 1;
  if (SendArea(rig, image, 0, 0x4000, 5, form, sum) != 1) return 0;
  return rig.commands.WriteFlash(flag) == 1 && Poll(rig) ? 1 : 0;
}

bool Same(const Bytes& a, const Bytes& b, std::ptrdiff_t begin, std::ptrdiff_t end) {
  return std::equal(a.begin() + begin, a.begin() + end, b.begin() + begin);
}

// Flash holds the image where it was sent; 0x4000..0x7FFF is never touched.
// A wrong sum for area 1 fails its wait and leaves the main areas erased.
TEST(HandWrittenUpdate, TwoMegabyteWithAndWithoutLoaderAndAWrongSum) {
  const Bytes image = MakeImage(2);
  const struct {
    bool withLoader;
    std::uint16_t sumOffset;
  } rows[] = {{false, 0}, {true, 0}, {false, 1}};
  for (const TransportMode mode : kModes) {
    for (const auto& row : rows) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(mode) << " loader " << row.withLoader
                                        << " sum offset " << row.sumOffset);
      Rig rig(mode, DriveModel{});
      const Bytes old = rig.drive.Flash();
      ASSERT_TRUE(InUpModeWithLoader(rig, "ZAzizud2 ZIRIVID"));
      const int result = TwoMegabyteUpdate(rig, image, row.withLoader, row.sumOffset);
      const Bytes& flash = rig.drive.Flash();
      EXPECT_GT(rig.Count(0x4A), 20);
      EXPECT_EQ(result, row.sumOffset == 0 ? 1 : 0);
      if (row.sumOffset != 0) {
        EXPECT_EQ(rig.request.asc, asc::kSumMismatch);
        EXPECT_EQ(rig.Count(0xE7), 1);
        EXPECT_TRUE(
            std::all_of(flash.begin() + 0x8000, flash.end(), [](auto b) { return b == 0xFF; }));
        continue;
      }
      EXPECT_TRUE(Same(flash, image, 0x8000, 0x200000));
      EXPECT_TRUE(Same(flash, old, 0x4000, 0x8000));
      EXPECT_FALSE(Same(old, image, 0x4000, 0x8000));
      EXPECT_TRUE(Same(flash, row.withLoader ? image : old, 0, 0x4000));
    }
  }
}

// The one-megabyte update amid the desktop's chatter, without a fault and with
// each fault of the drive, through both transports.
TEST(HandWrittenUpdate, FaultsThroughBothTransports) {
  const Bytes image = MakeImage(1);
  // Up mode and Inquiry, 342 blocks, chatter after 11 of them.
  static constexpr int kPrepareFlash = 2 + 342 + 11 * 4;
  const struct {
    const char* name;
    void (*inject)(DriveFaults&);
    int result;
    bool flashIsImage;                // or else the old content
    int transfers;                    // 0xAA and 0xE2 blocks the drive saw
    std::optional<std::uint8_t> asc;  // the last the host was told; none: no answer
  } rows[] = {
      {"no fault", [](DriveFaults&) {}, 1, true, 342, 0x3A},
      {"refuse 12-byte form", [](DriveFaults& f) { f.refuse12ByteTransfer = true; }, 1, true, 343,
       0x3A},
      {"medium not present", [](DriveFaults& f) { f.mediumNotPresentBeforeBlock[5] = 2; }, 1, true,
       344, 0x3A},
      {"wrong sum", [](DriveFaults& f) { f.reportWrongSum = true; }, 0, false, 342,
       asc::kSumMismatch},
      {"work error", [](DriveFaults& f) { f.workErrorAsc = 0x51; }, 0, false, 342, 0x51},
      // The flash is written, but the last phase never ends.
      {"never finish", [](DriveFaults& f) { f.neverFinish = true; }, 0, true, 342,
       sense::kDrivePhase},
      {"PrepareFlash fails", [](DriveFaults& f) { f.failCommandNumber = kPrepareFlash; }, 0, false,
       342, 0x44},
      {"stops at PrepareFlash", [](DriveFaults& f) { f.stopRespondingAfter = kPrepareFlash; }, 0,
       false, 342, std::nullopt},
  };
  for (const TransportMode mode : kModes) {
    for (const auto& row : rows) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(mode) << " " << row.name);
      DriveModel model;
      model.layout = LoaderLayout::OneMegabyte;
      row.inject(model.faults);
      Rig rig(mode, model);
      const Bytes old = rig.drive.Flash();
      ASSERT_TRUE(InUpModeWithLoader(rig, "ZAzizud1 TIRIVIC"));
      EXPECT_EQ(OneMegabyteUpdate(rig, image), row.result);
      EXPECT_TRUE(rig.drive.Flash() == (row.flashIsImage ? image : old));
      EXPECT_EQ(rig.Count(0xAA) + rig.Count(0xE2), row.transfers);
      if (row.asc) {
        EXPECT_EQ(rig.request.asc, *row.asc);
      } else {
        EXPECT_EQ(rig.drive.Trace().back().status, kStatusNoAnswer);
      }
      EXPECT_GT(rig.Count(0x4A), 10);
      EXPECT_EQ(rig.aspi.EventsOpen(), rig.transport.AbandonedAspiCommands());
      EXPECT_EQ(rig.passThrough.Statistics().opened, rig.passThrough.Statistics().closed);
    }
  }
}

}  // namespace
}  // namespace drivesmith::sim
