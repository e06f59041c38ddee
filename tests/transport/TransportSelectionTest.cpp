// Transport selection at start-up: the platform families, the ASPI checks in
// their order, the cdrom probe and the four message boxes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakePassThroughLayer.h"
#include "tests/support/FakeTransportPlatform.h"
#include "transport/TransportSelection.h"

namespace drivesmith::testing {
namespace {

const std::string kAppName = "drivesmith";

class TransportSelectionTest : public ::testing::Test {
 protected:
  TransportSelection Select() { return SelectTransport(platform, passThrough, kAppName); }

  FakeTransportPlatform platform;
  FakePassThroughLayer passThrough;
};

std::vector<std::string> CdromNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("\\\\.\\cdrom" + std::to_string(i));
  return names;
}

TEST_F(TransportSelectionTest, NtWithCdromDeviceZeroUsesCdromNumbers) {
  passThrough.allDevicesExist = false;
  passThrough.devices = {"\\\\.\\cdrom0"};
  const TransportSelection s = Select();
  EXPECT_EQ(s.ok, 1);
  EXPECT_EQ(s.mode, TransportMode::PassThroughCdrom);
  EXPECT_EQ(s.aspi, nullptr);
  EXPECT_TRUE(platform.libraryLoads.empty()) << "ASPI is not loaded on NT";
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(TransportSelectionTest, ProbeGoesOnPastAGap) {
  passThrough.allDevicesExist = false;
  passThrough.devices = {"\\\\.\\cdrom1", "\\\\.\\cdrom2"};
  const TransportSelection s = Select();
  EXPECT_EQ(s.ok, 1);
  EXPECT_EQ(s.mode, TransportMode::PassThroughCdrom);
  EXPECT_EQ(passThrough.openAttempts, CdromNames(2)) << "stops at the first device that opens";
  EXPECT_EQ(passThrough.openDevices, 0) << "the probe keeps no handle";
  EXPECT_EQ(passThrough.closes, 1);
}

TEST_F(TransportSelectionTest, NtWithoutCdromDevicesFallsBackToDriveLetters) {
  passThrough.allDevicesExist = false;
  const TransportSelection s = Select();
  EXPECT_EQ(s.ok, 1);
  EXPECT_EQ(s.mode, TransportMode::PassThroughLetter);
  EXPECT_EQ(passThrough.openAttempts, CdromNames(256));
  EXPECT_TRUE(platform.boxes.empty());
}

struct AspiCase {
  const char* name;
  bool libraryPresent;
  std::vector<std::string> missing;
  std::uint32_t supportInfo;
  int ok;
  const char* box;  // null when none
};

class AspiSelectionTest : public TransportSelectionTest,
                          public ::testing::WithParamInterface<AspiCase> {};

TEST_P(AspiSelectionTest, OutcomeAndBox) {
  const AspiCase& c = GetParam();
  platform.platformId = kPlatformWin9x;
  platform.aspiLibraryPresent = c.libraryPresent;
  platform.missingEntryPoints.insert(c.missing.begin(), c.missing.end());
  platform.supportInfo = c.supportInfo;

  const TransportSelection s = Select();

  EXPECT_EQ(s.ok, c.ok);
  EXPECT_EQ(s.mode, TransportMode::Aspi);
  EXPECT_EQ(platform.libraryLoads, std::vector<std::string>{"WNASPI32.DLL"});
  EXPECT_TRUE(passThrough.openAttempts.empty());
  if (c.box == nullptr) {
    EXPECT_TRUE(platform.boxes.empty());
    ASSERT_NE(s.aspi, nullptr);
    EXPECT_EQ(platform.LibrariesLoaded(), 1) << "kept loaded for the run";
  } else {
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, c.box);
    EXPECT_EQ(platform.boxes[0].caption, "Tavix Drivesmith ver 1.0.1.0");
    EXPECT_EQ(platform.boxes[0].kind, MessageBoxKind::ErrorOk);
    EXPECT_EQ(s.aspi, nullptr);
  }
}

std::string CaseName(const ::testing::TestParamInfo<AspiCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Win9x, AspiSelectionTest,
    ::testing::Values(AspiCase{"StatusOkNoAdapters", true, {}, 0x0100, 1, nullptr},
                      AspiCase{"StatusOkThreeAdaptersHighBits", true, {}, 0xABCD0103, 1, nullptr},
                      AspiCase{"StatusE8", true, {}, 0xE800, 0, "Not found ASPI MANAGER"},
                      AspiCase{"StatusZero", true, {}, 0x0001, 0, "Not found ASPI MANAGER"},
                      AspiCase{"StatusThree", true, {}, 0x0301, 0, "Not found ASPI MANAGER"},
                      AspiCase{"NoSendCommand",
                               true,
                               {"SendASPI32Command"},
                               0x0100,
                               0,
                               "ASPI Function Error 'ASPI32.DLL'"},
                      AspiCase{"NoSupportInfo",
                               true,
                               {"GetASPI32SupportInfo"},
                               0x0100,
                               0,
                               "ASPI Function Error 'ASPI32.DLL'"},
                      AspiCase{"NoLibrary", false, {}, 0x0100, 0, "Not found 'ASPI32.DLL'"}),
    CaseName);

TEST_F(TransportSelectionTest, BothEntryPointsAreLookedUpBeforeEitherIsTested) {
  platform.platformId = kPlatformWin9x;
  platform.missingEntryPoints = {"GetASPI32SupportInfo"};
  Select();
  EXPECT_EQ(platform.EntryPointLookups(),
            (std::vector<std::string>{"GetASPI32SupportInfo", "SendASPI32Command"}));
}

TEST_F(TransportSelectionTest, MissingEntryPointReleasesTheLibraryBeforeTheBox) {
  platform.platformId = kPlatformWin9x;
  platform.missingEntryPoints = {"SendASPI32Command"};
  const TransportSelection s = Select();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].librariesLoaded, 0);
  EXPECT_EQ(platform.LibrariesLoaded(), 0);
  EXPECT_EQ(s.ok, 0);
}

TEST_F(TransportSelectionTest, FailedManagerCheckReleasesTheLibrary) {
  platform.platformId = kPlatformWin9x;
  platform.supportInfo = 0xE800;
  const TransportSelection s = Select();
  EXPECT_EQ(s.ok, 0);
  EXPECT_EQ(platform.LibrariesLoaded(), 0);
}

class UnknownPlatformTest : public TransportSelectionTest,
                            public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(UnknownPlatformTest, LoadErrorBoxWithTheApplicationName) {
  platform.platformId = GetParam();
  const TransportSelection s = Select();
  EXPECT_EQ(s.ok, 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, "ASPI:LoadErr [" + std::to_string(GetParam()) + "]");
  EXPECT_EQ(platform.boxes[0].caption, kAppName);
  EXPECT_EQ(platform.boxes[0].kind, MessageBoxKind::ExclamationOk);
  EXPECT_TRUE(platform.libraryLoads.empty());
  EXPECT_TRUE(passThrough.openAttempts.empty());
}

INSTANTIATE_TEST_SUITE_P(Ids, UnknownPlatformTest, ::testing::Values(0u, 3u));

}  // namespace
}  // namespace drivesmith::testing
