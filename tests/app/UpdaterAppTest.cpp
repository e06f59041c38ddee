// A failed start-up of the application object on a simulated machine: the
// box for it, no dialog, and the program ends with 0 holding no library.

#include <gtest/gtest.h>

#include "app/UpdaterApp.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedPassThrough.h"
#include "simulator/SimulatedPlatform.h"

namespace drivesmith {
namespace {

TEST(UpdaterAppTest, FailedStartUpShowsItsBoxAndEndsWithoutDialog) {
  const struct {
    std::uint32_t platformId;
    bool aspiPresent;
    const char* missingEntry;  // null: both entry points exported
    std::optional<std::uint32_t> supportInfo;
    const char* text;
    const char* caption;
    MessageBoxKind kind;
  } rows[] = {
      {0, false, nullptr, {}, "ASPI:LoadErr [0]", "drivesmith", MessageBoxKind::ExclamationOk},
      {kPlatformWin9x,
       false,
       nullptr,
       {},
       "Not found 'ASPI32.DLL'",
       kAppTitle,
       MessageBoxKind::ErrorOk},
      {kPlatformWin9x,
       true,
       "SendASPI32Command",
       {},
       "ASPI Function Error 'ASPI32.DLL'",
       kAppTitle,
       MessageBoxKind::ErrorOk},
      {kPlatformWin9x, true, nullptr, 0xE800u, "Not found ASPI MANAGER", kAppTitle,
       MessageBoxKind::ErrorOk}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    sim::SimulatedClock clock;
    sim::SimulatedPlatform platform(row.platformId);
    sim::SimulatedAspi aspi(clock);
    sim::SimulatedPassThrough passThrough(clock);
    if (row.aspiPresent) platform.SetAspi(&aspi);
    if (row.missingEntry != nullptr) aspi.RemoveEntryPoint(row.missingEntry);
    if (row.supportInfo) aspi.OverrideSupportInfo(*row.supportInfo);
    int dialogs = 0;
    UpdaterApp app({platform, passThrough, "drivesmith"}, [&](ScsiTransport&) { ++dialogs; });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(platform.MessageBoxes().size(), 1u);
    EXPECT_EQ(platform.MessageBoxes()[0].text, row.text);
    EXPECT_EQ(platform.MessageBoxes()[0].caption, row.caption);
    EXPECT_EQ(platform.MessageBoxes()[0].kind, row.kind);
    EXPECT_EQ(platform.LibrariesHeld(), 0);
  }
}

}  // namespace
}  // namespace drivesmith
