#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/LinuxPlatformFamily.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#include "tests/linux/TempDirectory.h"
#include "transport/TransportSelection.h"

namespace drivesmith {
namespace {

TEST(LinuxPlatformFamily, IsThePassThroughFamilyWithoutAspi) {
  LinuxPlatformFamily platform(nullptr);
  EXPECT_EQ(platform.PlatformId(), kPlatformNt);
  EXPECT_EQ(platform.LoadAspiLibrary(kAspiLibraryName), nullptr);
}

// Without any optical drive, selection falls back to drive letters, which
// name the generic nodes, and shows nothing.
TEST(LinuxPlatformFamily, SelectionWithoutDrivesChoosesDriveLetters) {
  testing::TempDirectory root;
  ASSERT_TRUE(root.Created());
  int shown = 0;
  LinuxPlatformFamily platform(
      [&](const std::string&, const std::string&, MessageBoxKind) { ++shown; });
  SgIoPassThroughLayer layer(root.Path() / "sys", root.Path() / "dev");
  const TransportSelection selection = SelectTransport(platform, layer, "drivesmith");
  EXPECT_EQ(selection.ok, 1);
  EXPECT_EQ(selection.mode, TransportMode::PassThroughLetter);
  EXPECT_EQ(selection.aspi, nullptr);
  EXPECT_EQ(shown, 0);
}

}  // namespace
}  // namespace drivesmith
