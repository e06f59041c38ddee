// What the TCMU handler adds to the simulated drive: directions and command
// block lengths the target does not pass on, and its command line. The kernel
// guest runs the handler's answers, faults, trace and flash files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/tcmu/DriveCommandLayout.h"
#include "simulator/tcmu/HandlerOptions.h"

namespace drivesmith::tcmu {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kInquiry = {0x12, 0, 0, 0, 36, 0};
const Bytes kChangeToUpMode = {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40};

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
