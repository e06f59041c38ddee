// Transport selection at start-up: every path with its outcome, and the cdrom
// probe. (The boxes that tell a failure are the application's.)

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "transport/TransportSelection.h"

namespace drivesmith::testing {
namespace {

constexpr auto kCdrom = TransportMode::PassThroughCdrom;

struct SelectionRow {
  const char* name = "";
  std::uint32_t platformId = kPlatformWin9x;
  bool libraryPresent = true;
  std::string missingEntryPoint{};
  std::uint32_t supportInfo = 0x0100;
  std::set<PassThroughAddress> cdroms{};  // devices that open
  SelectionFailure failure = SelectionFailure::None;
  TransportMode mode = TransportMode::Aspi;
  std::size_t opens = 0;  // devices the probe tried
};

// The operating system as the row describes it.
struct FakeTransportPlatform : TransportPlatform {
  explicit FakeTransportPlatform(const SelectionRow& r) : row(r) {}
  long LibrariesLoaded() const { return token.use_count() - 1; }

  std::uint32_t PlatformId() override { return row.platformId; }
  std::unique_ptr<AspiLibrary> LoadAspiLibrary(const std::string& name) override {
    libraryLoads.push_back(name);
    if (!row.libraryPresent) return nullptr;
    auto library = std::make_unique<FakeAspiLayer>();
    library->missingEntryPoint = row.missingEntryPoint;
    library->supportInfo = row.supportInfo;
    library->owner = token;  // one more owner per loaded library
    return library;
  }

  const SelectionRow& row;
  std::vector<std::string> libraryLoads;
  std::shared_ptr<int> token = std::make_shared<int>(0);
};

TEST(TransportSelectionTest, EveryPathWithItsOutcome) {
  const SelectionRow rows[] = {
      {.name = "GapBeforeCdromOne",
       .platformId = 2,
       .cdroms = {{kCdrom, 1}, {kCdrom, 2}},
       .mode = kCdrom,
       .opens = 2},
      {.name = "NoCdrom",
       .platformId = 2,
       .mode = TransportMode::PassThroughLetter,
       .opens = 256},
      {.name = "AspiNoAdapters"},
      {.name = "AspiHighBits", .supportInfo = 0xABCD0103},
      {.name = "AspiNoLibrary", .libraryPresent = false, .failure = SelectionFailure::NoAspiLibrary},
      {.name = "AspiNoSendCommand",
       .missingEntryPoint = "SendASPI32Command",
       .failure = SelectionFailure::AspiEntryPointMissing},
      {.name = "AspiNoSupportInfo",
       .missingEntryPoint = "GetASPI32SupportInfo",
       .failure = SelectionFailure::AspiEntryPointMissing},
      {.name = "AspiStatusE8", .supportInfo = 0xE800, .failure = SelectionFailure::NoAspiManager},
      {.name = "PlatformSeven", .platformId = 7, .failure = SelectionFailure::UnknownPlatform},
  };
  for (const SelectionRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeTransportPlatform platform(row);
    FakePassThroughLayer passThrough;
    passThrough.allDevicesExist = false;
    passThrough.devices = row.cdroms;

    const TransportSelection s = SelectTransport(platform, passThrough);

    EXPECT_EQ(s.failure, row.failure);
    EXPECT_EQ(s.platformId, row.platformId);
    EXPECT_EQ(s.mode, row.mode);
    EXPECT_EQ(passThrough.openAttempts.size(), row.opens);
    EXPECT_EQ(passThrough.openDevices, 0) << "the probe keeps no handle";
    EXPECT_EQ(platform.libraryLoads, std::vector<std::string>(row.platformId == 1, "WNASPI32.DLL"));
    const bool aspi = s.Ok() && row.mode == TransportMode::Aspi;
    EXPECT_EQ(s.aspi != nullptr, aspi);
    EXPECT_EQ(platform.LibrariesLoaded(), aspi ? 1 : 0) << "kept for the run, released on failure";
  }
}

}  // namespace
}  // namespace drivesmith::testing
