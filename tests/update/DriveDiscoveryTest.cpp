// Drive entries: their labels, the probe over every address of a transport,
// the keyword test, and reading the address back from an entry's text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/update/EngineHarness.h"
#include "tests/update/UpdateBench.h"
#include "update/DriveDiscovery.h"

namespace drivesmith {
namespace {

using testing_support::EngineHarness;
using testing_support::UpdateBench;

std::vector<std::string> Discover(UpdateBench& bench, TransportMode mode) {
  EngineHarness harness(bench.Transport(), bench.Clock());
  std::vector<std::string> entries;
  FillDriveList(harness.Commands(), mode,
                [&entries](const std::string& entry) { entries.push_back(entry); });
  return entries;
}

TEST(DriveDiscoveryTest, AspiListsDrivesByHostAdapterThenTarget) {
  UpdateBench bench(TransportMode::Aspi);
  sim::DriveModel second = testing_support::TwoMegabyteDrive();
  second.product = "OTHER MODEL     ";
  second.revision = "3.10";
  bench.AddDrive(second, 1, 0);
  bench.AddDrive(testing_support::TwoMegabyteDrive(), 0, 1);
  const std::vector<std::string> entries = Discover(bench, TransportMode::Aspi);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], "HA:0 ID:1  TAVIX   ZWR2040 DVD-RW  1.00");
  EXPECT_EQ(entries[1], "HA:1 ID:0  TAVIX   OTHER MODEL     3.10");
  EXPECT_EQ(bench.Aspi().CommandsSent(), 256 * 8);
}

TEST(DriveDiscoveryTest, PassThroughLabelsCarryTheDriveIndex) {
  for (const TransportMode mode :
       {TransportMode::PassThroughCdrom, TransportMode::PassThroughLetter}) {
    UpdateBench bench(mode);
    bench.AddDrive(testing_support::OneMegabyteDrive(), 12);
    bench.AddDrive(testing_support::OneMegabyteDrive(), 0);
    bench.AddDrive(testing_support::OneMegabyteDrive(), 255);
    const std::vector<std::string> entries = Discover(bench, mode);
    const std::string prefix = mode == TransportMode::PassThroughCdrom ? "cdrom" : "drive";
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], prefix + "0 :  TAVIX   ZWR2040 DVD-RW  1.00");
    EXPECT_EQ(entries[1], prefix + "12 :  TAVIX   ZWR2040 DVD-RW  1.00");
    EXPECT_EQ(entries[2], prefix + "255 :  TAVIX   ZWR2040 DVD-RW  1.00");
    EXPECT_EQ(bench.PassThrough().OpenAttempts().size(), 256u);
  }
}

TEST(DriveDiscoveryTest, NoDriveGivesAnEmptyList) {
  UpdateBench bench(TransportMode::PassThroughCdrom);
  EXPECT_TRUE(Discover(bench, TransportMode::PassThroughCdrom).empty());
}

TEST(DriveDiscoveryTest, IdentificationIsInquiryBytes8To35UpToANul) {
  std::vector<std::uint8_t> inquiry(36, 'x');
  for (std::size_t i = 8; i < 36; ++i) inquiry[i] = static_cast<std::uint8_t>('A' + (i - 8) % 26);
  inquiry[0] = 0;  // bytes before 8 are not part of it
  EXPECT_EQ(DriveIdentification(inquiry.data()), "ABCDEFGHIJKLMNOPQRSTUVWXYZAB");
  inquiry[20] = 0;  // a NUL cuts the text
  EXPECT_EQ(DriveIdentification(inquiry.data()), "ABCDEFGHIJKL");
  inquiry[9] = 0x01;  // other bytes stay as they are
  EXPECT_EQ(DriveIdentification(inquiry.data()), std::string("A\x01") + "CDEFGHIJKL");
}

struct ParseCase {
  const char* text;
  TransportMode mode;
  int hostAdapter;  // -1: untouched
  int target;
  int driveIndex;
};

class ParseDriveEntryTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseDriveEntryTest, ReadsTheAddressOfTheModeOnly) {
  const ParseCase& c = GetParam();
  ScsiRequest request{};
  request.hostAdapter = 0xAB;
  request.targetId = 0xCD;
  request.driveIndex = 0xEF;
  ParseDriveEntry(c.text, c.mode, request);
  EXPECT_EQ(request.hostAdapter, c.hostAdapter < 0 ? 0xAB : c.hostAdapter);
  EXPECT_EQ(request.targetId, c.target < 0 ? 0xCD : c.target);
  EXPECT_EQ(request.driveIndex, c.driveIndex < 0 ? 0xEF : c.driveIndex);
}

constexpr TransportMode kAspi = TransportMode::Aspi;
constexpr TransportMode kCdrom = TransportMode::PassThroughCdrom;
constexpr TransportMode kLetter = TransportMode::PassThroughLetter;

INSTANTIATE_TEST_SUITE_P(Entries, ParseDriveEntryTest,
                         ::testing::Values(ParseCase{"HA:0 ID:1  TAVIX   ZWR2040", kAspi, 0, 1, -1},
                                           ParseCase{"HA:10 ID:5  TAVIX", kAspi, 10, 5, -1},
                                           ParseCase{"HA:100 ID:7  TAVIX", kAspi, 100, 7, -1},
                                           // three digits are taken modulo 256, and the target's
                                           // position follows the value, not the digits
                                           ParseCase{"HA:300 ID:4  TAVIX", kAspi, 44, 0, -1},
                                           ParseCase{"HA:300 ID7", kAspi, 44, 7, -1},
                                           ParseCase{"HA:x ID:3  TAVIX", kAspi, 0, 3, -1},
                                           ParseCase{"HA:x ID:x  TAVIX", kAspi, 0, 0, -1},
                                           ParseCase{"HA:1 ID:", kAspi, 1, 0, -1},
                                           ParseCase{"", kAspi, 0, 0, -1},
                                           ParseCase{"cdrom12 :  TAVIX", kCdrom, -1, -1, 12},
                                           ParseCase{"cdrom255 :  TAVIX", kCdrom, -1, -1, 255},
                                           ParseCase{"drive0 :  TAVIX", kLetter, -1, -1, 0},
                                           ParseCase{"drive256 :  TAVIX", kLetter, -1, -1, 0},
                                           ParseCase{"drive1234 :", kLetter, -1, -1, 123},
                                           ParseCase{"drive :  TAVIX", kLetter, -1, -1, 0},
                                           ParseCase{"cdrom", kCdrom, -1, -1, 0}));

TEST(IsSupportedModelTest, KeywordsAnywhereCaseSensitive) {
  EXPECT_TRUE(IsSupportedModel("HA:0 ID:1  TAVIX   ZWR2040 DVD-RW  1.00"));
  EXPECT_TRUE(IsSupportedModel("cdrom0 :  OTHER   ZWR2040         1.00"));
  EXPECT_TRUE(IsSupportedModel("cdrom0 :  TAVIX   ANYTHING        1.00"));
  EXPECT_TRUE(IsSupportedModel("cdrom0 :  OTHER   ZAzizud2"));
  EXPECT_TRUE(IsSupportedModel("drive1 :  OTHER   XZIRIVIDX"));
  EXPECT_FALSE(IsSupportedModel("cdrom0 :  OTHER   zwr2040 DVD-RW  1.00"));
  EXPECT_FALSE(IsSupportedModel("cdrom0 :  Tavix   OTHER           1.00"));
  EXPECT_FALSE(IsSupportedModel("cdrom0 :  OTHER   ZWR204 ZIRIVI   1.00"));
  EXPECT_FALSE(IsSupportedModel(""));
}

}  // namespace
}  // namespace drivesmith
