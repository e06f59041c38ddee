// Transport selection at start-up: every path with its message box, and the
// cdrom probe.

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
  int ok = 0;
  TransportMode mode = TransportMode::Aspi;
  std::size_t opens = 0;  // devices the probe tried
  std::string box{};      // empty when none
  std::string caption = "Tavix Drivesmith ver 1.0.1.0";
  MessageBoxKind kind = MessageBoxKind::ErrorOk;
};

// The operating system as the row describes it; checks each box it is shown.
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
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxKind kind) override {
    ++boxes;
    EXPECT_EQ(text, row.box);
    EXPECT_EQ(caption, row.caption);
    EXPECT_EQ(kind, row.kind);
    EXPECT_TRUE(row.missingEntryPoint.empty() || LibrariesLoaded() == 0) << "released first";
  }

  const SelectionRow& row;
  std::vector<std::string> libraryLoads;
  int boxes = 0;
  std::shared_ptr<int> token = std::make_shared<int>(0);
};

TEST(TransportSelectionTest, EveryPathWithItsBox) {
  const SelectionRow rows[] = {
      {.name = "GapBeforeCdromOne",
       .platformId = 2,
       .cdroms = {{kCdrom, 1}, {kCdrom, 2}},
       .ok = 1,
       .mode = kCdrom,
       .opens = 2},
      {.name = "NoCdrom",
       .platformId = 2,
       .ok = 1,
       .mode = TransportMode::PassThroughLetter,
       .opens = 256},
      {.name = "AspiNoAdapters", .ok = 1},
      {.name = "AspiHighBits", .supportInfo = 0xABCD0103, .ok = 1},
      {.name = "AspiNoLibrary", .libraryPresent = false, .box = "Not found 'ASPI32.DLL'"},
      {.name = "AspiNoSendCommand",
       .missingEntryPoint = "SendASPI32Command",
       .box = "ASPI Function Error 'ASPI32.DLL'"},
      {.name = "AspiStatusE8", .supportInfo = 0xE800, .box = "Not found ASPI MANAGER"},
      {.name = "PlatformZero",
       .platformId = 0,
       .box = "ASPI:LoadErr [0]",
       .caption = "drivesmith",
       .kind = MessageBoxKind::ExclamationOk},
  };
  for (const SelectionRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeTransportPlatform platform(row);
    FakePassThroughLayer passThrough;
    passThrough.allDevicesExist = false;
    passThrough.devices = row.cdroms;

    const TransportSelection s = SelectTransport(platform, passThrough, "drivesmith");

    EXPECT_EQ(s.ok, row.ok);
    EXPECT_EQ(s.mode, row.mode);
    EXPECT_EQ(passThrough.openAttempts.size(), row.opens);
    EXPECT_EQ(passThrough.openDevices, 0) << "the probe keeps no handle";
    EXPECT_EQ(platform.libraryLoads, std::vector<std::string>(row.platformId == 1, "WNASPI32.DLL"));
    const bool aspi = row.ok == 1 && row.mode == TransportMode::Aspi;
    EXPECT_EQ(s.aspi != nullptr, aspi);
    EXPECT_EQ(platform.LibrariesLoaded(), aspi ? 1 : 0) << "kept for the run, released on failure";
    EXPECT_EQ(platform.boxes, row.box.empty() ? 0 : 1);
  }
}

}  // namespace
}  // namespace drivesmith::testing
