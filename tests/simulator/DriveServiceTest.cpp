// The simulated drive as the TCMU handler serves it: directions and command
// block lengths the target does not pass on, the device faults, descriptor
// sense, the trace file and the flash file; and the handler's command line.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "simulator/SimulatedClock.h"
#include "simulator/tcmu/DriveCommandLayout.h"
#include "simulator/tcmu/DriveService.h"
#include "simulator/tcmu/HandlerOptions.h"
#include "tests/image/TempFolder.h"

namespace drivesmith::tcmu {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::TempFolder;

const Bytes kTestUnitReady = {0x00, 0, 0, 0, 0, 0};
const Bytes kInquiry = {0x12, 0, 0, 0, 36, 0};
const Bytes kChangeToUpMode = {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40};
const Bytes kPrepareFlash = {0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes Transfer(std::uint8_t area) { return {0xE2, 0, 0, 0, 0, 0, 0x00, 0x10, area, 0}; }

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Served {
  bool answered;
  RingAnswer answer;
};

struct ServiceRig {
  explicit ServiceRig(DeviceFaults faults, sim::DriveModel model = {})
      : drive(model, clock), service(drive, faults, folder.File("trace"), folder.File("flash")) {}

  Served Send(const Bytes& cdb, std::size_t dataLength = 0) {
    RingCommand command{cdb, Bytes(dataLength, 0x11)};
    Served served{};
    served.answered = service.Serve(command, served.answer);
    return served;
  }

  TempFolder folder;
  sim::SimulatedClock clock;
  sim::SimulatedDrive drive;
  DriveService service;
};

TEST(DriveCommandLayout, DirectionsAndTheTwelveByteVendorCommand) {
  const struct {
    std::uint8_t opcode;
    std::size_t length;
    sim::DataDirection direction;
  } kCases[] = {
      {0x12, 36, sim::DataDirection::In},    {0x03, 14, sim::DataDirection::In},
      {0x46, 8, sim::DataDirection::In},     {0xE2, 3072, sim::DataDirection::Out},
      {0xAA, 3072, sim::DataDirection::Out}, {0x55, 16, sim::DataDirection::Out},
      {0xE4, 0, sim::DataDirection::None},   {0x00, 0, sim::DataDirection::None},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(DataDirectionOf(c.opcode, c.length), c.direction) << int{c.opcode};

  const Bytes confirm10 = {0xE7, 0, 0, 0, 0, 0, 1, 0x40, 0x12, 0x34};
  Bytes confirm12 = confirm10;
  confirm12.resize(12, 0);
  EXPECT_EQ(DriveCommandBlock(confirm10), confirm12);
  EXPECT_EQ(DriveCommandBlock(kChangeToUpMode), kChangeToUpMode);
  EXPECT_EQ(DriveCommandBlock(kInquiry), kInquiry);
}

TEST(DriveService, AnswersWithDataDirectionSenseAndATraceLineEach) {
  ServiceRig rig({});
  const Served ready = rig.Send(kTestUnitReady);
  EXPECT_TRUE(ready.answered);
  EXPECT_EQ(ready.answer.status, 0x02);
  ASSERT_GE(ready.answer.sense.size(), 14u);
  EXPECT_EQ(ready.answer.sense[0], 0x70);
  EXPECT_EQ(ready.answer.sense[12], 0x3A);

  const Served inquiry = rig.Send(kInquiry, 96);
  EXPECT_TRUE(inquiry.answer.dataInCommand);
  EXPECT_EQ(inquiry.answer.dataIn, 36u);
  EXPECT_EQ(inquiry.answer.data[0], 0x05);  // a CD/DVD device, so the kernel binds sr

  rig.Send(kChangeToUpMode);
  const Served block = rig.Send(Transfer(1), 16);
  EXPECT_EQ(block.answer.status, 0x00);
  EXPECT_FALSE(block.answer.dataInCommand);
  rig.Send({0xE7, 0, 0, 0, 0, 0, 1, 0x40, 0, 0});  // arrives two bytes short

  const std::vector<std::string> lines = Lines(rig.folder.File("trace"));
  ASSERT_EQ(lines.size(), 5u);
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], sim::FormatTraceLine(rig.drive.Trace()[i]));
  EXPECT_EQ(rig.drive.Trace()[1].direction, sim::DataDirection::In);
  EXPECT_EQ(rig.drive.Trace()[3].direction, sim::DataDirection::Out);
  EXPECT_EQ(rig.drive.Trace()[4].cdb.size(), 12u);
}

TEST(DriveService, DeviceFaults) {
  const struct {
    const char* name;
    DeviceFaults faults;
    std::vector<std::uint8_t> areas;               // one block each, after ChangeToUpMode
    std::vector<std::optional<std::uint8_t>> asc;  // per block; nothing: not answered
  } kCases[] = {
      {"stop at block 2",
       {2, std::nullopt, false},
       {1, 1, 1, 2},
       {0, 0, std::nullopt, std::nullopt}},
      {"first block of area 2 fails", {std::nullopt, 2, false}, {1, 2, 2, 1}, {0, 0x44, 0, 0}},
      {"descriptor sense", {std::nullopt, std::nullopt, true}, {7, 1}, {0x24, 0}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ServiceRig rig(c.faults);
    rig.Send(kChangeToUpMode);
    for (std::size_t i = 0; i < c.areas.size(); ++i) {
      const Served served = rig.Send(Transfer(c.areas[i]), 16);
      EXPECT_EQ(served.answered, c.asc[i].has_value()) << "block " << i;
      if (!served.answered || *c.asc[i] == 0) {
        EXPECT_TRUE(served.answer.sense.empty()) << "block " << i;
        continue;
      }
      EXPECT_EQ(served.answer.status, 0x02);
      const Bytes& sense = served.answer.sense;
      const bool descriptor = c.faults.descriptorSense;
      ASSERT_GE(sense.size(), descriptor ? 8u : 14u);
      EXPECT_EQ(sense[0], descriptor ? 0x72 : 0x70);
      EXPECT_EQ(sense[descriptor ? 2 : 12], *c.asc[i]) << "block " << i;
    }
    // Every command has its line, the unanswered one included.
    const std::vector<std::string> lines = Lines(rig.folder.File("trace"));
    const auto silent =
        static_cast<std::size_t>(std::count(c.asc.begin(), c.asc.end(), std::nullopt));
    EXPECT_EQ(lines.size(), 1 + c.areas.size() - (silent > 0 ? silent - 1 : 0));
    if (silent > 0) {
      EXPECT_NE(lines.back().find("status FF"), std::string::npos);
      EXPECT_FALSE(rig.Send(kTestUnitReady).answered);  // silent for good
    }
  }
}

TEST(DriveService, TheFlashFileFollowsTheWorkAndIsWrittenWhole) {
  sim::DriveModel model;
  model.phaseDuration = std::chrono::milliseconds(100);
  ServiceRig rig({}, model);
  ASSERT_TRUE(rig.service.SaveFlash());
  const auto readFlash = [&] {
    std::ifstream in(rig.folder.File("flash"), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(readFlash(), rig.drive.Flash());
  rig.Send(kChangeToUpMode);
  rig.Send(kPrepareFlash);
  rig.Send({0xE6, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // erase from 0x8000
  rig.clock.Sleep(std::chrono::milliseconds(150));
  rig.Send(kTestUnitReady);  // the work has ended
  const Bytes flash = readFlash();
  ASSERT_EQ(flash.size(), 0x200000u);
  EXPECT_EQ(flash[0x8000], 0xFF);
  EXPECT_EQ(flash, rig.drive.Flash());
}

// The kernel guest's runs read the options that work; these are refused.
TEST(HandlerOptions, RefusesWhatItCannotRead) {
  HandlerOptions options;
  std::string error;
  ASSERT_TRUE(ParseHandlerOptions({"--uio", "/dev/uio3", "--phase-ms", "250"}, options, error))
      << error;
  EXPECT_EQ(options.model.phaseDuration, std::chrono::milliseconds(250));
  const std::vector<std::vector<std::string>> kRefused = {
      {},                                         // no UIO node
      {"--uio", "/dev/uio0", "--layout", "3"},    // no such layout
      {"--uio", "/dev/uio0", "--phase-ms", "x"},  // not a number
      {"--uio", "/dev/uio0", "--phase-ms", "25x"},
      {"--uio", "/dev/uio0", "--stop-after", "-1"},
      {"--uio", "/dev/uio0", "--work-error", "0x100"},
      {"--uio"},
      {"--uio", "/dev/uio0", "--bogus"},
  };
  for (const auto& arguments : kRefused) {
    HandlerOptions refused;
    error.clear();
    EXPECT_FALSE(ParseHandlerOptions(arguments, refused, error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace drivesmith::tcmu
