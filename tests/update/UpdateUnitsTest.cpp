// Drive entries, the loader version, and the guards and bounds around the
// update sequences.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/app/PackedProgram.h"
#include "tests/image/TempFolder.h"
#include "tests/update/UpdateBench.h"
#include "update/DriveDiscovery.h"
#include "update/LoaderVersion.h"
#include "update/OneMegabyteSequence.h"
#include "update/Timing.h"
#include "update/UpdatePreparation.h"

namespace drivesmith {
namespace {

using namespace testing_support;

TEST(DriveEntryTest, ParseReadsTheAddressOfTheModeOnly) {
  constexpr auto kAspi = TransportMode::Aspi;
  constexpr auto kCdrom = TransportMode::PassThroughCdrom;
  constexpr auto kLetter = TransportMode::PassThroughLetter;
  const struct {
    const char* text;
    TransportMode mode;
    int hostAdapter, target, driveIndex;  // -1: untouched
  } rows[] = {{"HA:0 ID:1  TAVIX   ZWR2040", kAspi, 0, 1, -1},
              {"HA:10 ID:5  TAVIX", kAspi, 10, 5, -1},
              // Three digits are taken modulo 256, and the target's position follows
              // the value, not the digits.
              {"HA:300 ID:4  TAVIX", kAspi, 44, 0, -1},
              {"HA:300 ID7", kAspi, 44, 7, -1},
              {"HA:x ID:3  TAVIX", kAspi, 0, 3, -1},
              {"HA:1 ID:", kAspi, 1, 0, -1},
              {"", kAspi, 0, 0, -1},
              {"cdrom12 :  TAVIX", kCdrom, -1, -1, 12},
              {"cdrom255 :  TAVIX", kCdrom, -1, -1, 255},
              {"drive256 :  TAVIX", kLetter, -1, -1, 0},
              {"drive1234 :", kLetter, -1, -1, 123},
              {"drive :  TAVIX", kLetter, -1, -1, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    ScsiRequest request{};
    request.hostAdapter = 0xAB;
    request.targetId = 0xCD;
    request.driveIndex = 0xEF;
    ParseDriveEntry(row.text, row.mode, request);
    EXPECT_EQ(request.hostAdapter, row.hostAdapter < 0 ? 0xAB : row.hostAdapter);
    EXPECT_EQ(request.targetId, row.target < 0 ? 0xCD : row.target);
    EXPECT_EQ(request.driveIndex, row.driveIndex < 0 ? 0xEF : row.driveIndex);
  }
}

// Discovery reaches the last target of the last host adapter and the last
// drive indexes; a NUL byte cuts the identification short.
TEST(DriveDiscoveryTest, ProbesToTheLastAddressesAndCutsTheIdentificationAtANul) {
  sim::DriveModel plain = DriveOf(sim::LoaderLayout::OneMegabyte);
  sim::DriveModel nulInProduct = plain;
  nulInProduct.product = std::string("ZWR2040\0DVD-RW  ", 16);
  sim::DriveModel nulInVendor = plain;
  nulInVendor.vendor = std::string("TAV\0X   ", 8);
  const std::string full = "TAVIX   ZWR2040 DVD-RW  1.00";
  {
    UpdateBench bench(TransportMode::Aspi);
    bench.AddDrive(plain, 0, 7);
    bench.AddDrive(nulInProduct, 254, 0);
    bench.AddDrive(nulInVendor, 255, 7);
    EngineHarness harness(bench.transport, bench.clock);
    std::vector<std::string> entries;
    FillDriveList(harness.commands, TransportMode::Aspi,
                  [&](const std::string& entry) { entries.push_back(entry); });
    EXPECT_EQ(entries,
              (std::vector<std::string>{"HA:0 ID:7  " + full, "HA:254 ID:0  TAVIX   ZWR2040",
                                        "HA:255 ID:7  TAV"}));
  }
  for (const auto& [mode, name] : {std::pair{TransportMode::PassThroughCdrom, "cdrom"},
                                   std::pair{TransportMode::PassThroughLetter, "drive"}}) {
    UpdateBench bench(mode);
    for (const int index : {0, 9, 10, 99, 100, 253, 254})
      bench.AddDrive(plain, static_cast<std::uint8_t>(index));
    bench.AddDrive(nulInVendor, 255);
    EngineHarness harness(bench.transport, bench.clock);
    std::vector<std::string> entries;
    FillDriveList(harness.commands, mode,
                  [&](const std::string& entry) { entries.push_back(entry); });
    std::vector<std::string> expected;
    for (const char* number : {"0", "9", "10", "99", "100", "253", "254"})
      expected.push_back(std::string(name) + number + " :  " + full);
    expected.push_back(std::string(name) + "255 :  TAV");
    EXPECT_EQ(entries, expected);
  }
}

TEST(DriveEntryTest, SupportedModelsByKeywordAnywhereCaseSensitive) {
  const std::pair<const char*, bool> rows[] = {
      {"cdrom0 :  TAVIX   DVD", true}, {"OTHER   ZWR2040", true},
      {"OTHER   ZAzizud2", true},      {"OTHER   XZIRIVIDX", true},
      {"OTHER   zwr2040", false},      {"Tavix   OTHER", false},
      {"ZWR204 ZIRIVI", false},        {"", false}};
  for (const auto& [text, supported] : rows) EXPECT_EQ(IsSupportedModel(text), supported) << text;
}

double ParseVersion(const char (&text)[5]) {
  std::array<std::uint8_t, kRevisionLength> bytes{};
  std::memcpy(bytes.data(), text, kRevisionLength);
  return ParseLoaderVersion(bytes);
}

// Read as strtod reads a number in the "C" locale, whatever the process
// locale: a GUI may switch to one with a decimal comma. The locale is built
// for the test when the system has none installed.
TEST(LoaderVersionTest, ReadsTheLeadingNumberInAnyLocale) {
  const std::pair<const char(&)[5], double> rows[] = {
      {"2.01", 2.01},  {"2.00", 2.0},  {"    ", 0.0},    {" 2.5", 2.5},
      {"2.0a", 2.0},   {"2,01", 2.0},  {"abcd", 0.0},    {"-1.5", -1.5},
      {"1e2x", 100.0}, {"0x1A", 26.0}, {"\0002.0", 0.0}, {"2\00099", 2.0}};
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  const TempFolder folder;
  const std::string localeFolder = folder.Path().string();
  bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
#ifndef _WIN32
  if (!switched &&
      std::system(("localedef -i de_DE -f UTF-8 '" + localeFolder + "/de_DE.UTF-8' >/dev/null 2>&1")
                      .c_str()) == 0) {
    ::setenv("LOCPATH", localeFolder.c_str(), 1);
    switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
#endif
  EXPECT_TRUE(!switched || std::strtod("2,5", nullptr) == 2.5);  // the locale took effect
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(ParseVersion(text), expected) << '"' << std::string(text, 4) << '"';
  std::setlocale(LC_NUMERIC, previous.c_str());
#ifndef _WIN32
  ::unsetenv("LOCPATH");
#endif
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma can be had";
}

// A one-megabyte image for a drive of the two-megabyte layout is too short
// for its sequence, which never starts.
TEST(UpdateGuardTest, ShortImageFailsBeforeAnyCommandOfTheSequence) {
  UpdateBench bench;
  const sim::SimulatedDrive& drive = bench.AddDrive(DriveOf(sim::LoaderLayout::TwoMegabyte));
  PackedProgram program(1);
  EngineHarness harness(bench.transport, bench.clock);
  harness.state.DriveFlashSizeCode = kFlash2M;
  FirmwareImage image;
  image.ReadImageHeader(program.File());
  UpdateContext context = harness.Context();
  EXPECT_EQ(RunUpdate(context, program.File(), image), 0);
  EXPECT_EQ(image.Length(), kOneMegabyteImage);
  EXPECT_TRUE(drive.Trace().empty());
  EXPECT_EQ(harness.positions, (std::vector<std::int32_t>{0}));
}

// A block the drive keeps refusing with "medium not present" is sent again up
// to the limit, in the same form; beyond it the update fails.
TEST(UpdateGuardTest, MediumNotPresentRepeatsAreBounded) {
  const int limit = 1000;
  const struct {
    int refusals, result;
    std::size_t transfers;
  } rows[] = {{limit, 1, 342u + limit}, {1000000, 0, 5u + 1u + limit}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.refusals);
    UpdateBench bench;
    sim::DriveModel model = DriveOf(sim::LoaderLayout::OneMegabyte);
    model.faults.mediumNotPresentBeforeBlock[5] = row.refusals;
    const sim::SimulatedDrive& drive = bench.AddDrive(model);
    PackedProgram program(1);
    EngineHarness harness(bench.transport, bench.clock);
    UpdateContext context = harness.Context();
    ASSERT_EQ(PrepareDrive(context), 1);
    const std::span<const std::uint8_t> image(program.Image());
    EXPECT_EQ(RunOneMegabyteSequence(context, image.first<kOneMegabyteImage>()), row.result);
    EXPECT_EQ(CountOpcode(drive.Trace(), 0xAA), row.transfers);
    EXPECT_EQ(CountOpcode(drive.Trace(), 0xE2), 0u);
    EXPECT_EQ(drive.Flash() == program.Image(), row.result == 1);
  }
}

}  // namespace
}  // namespace drivesmith
