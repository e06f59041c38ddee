#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/linux/SgDevicePath.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out: sr0 with generic node sg2, sr1
// without one (the sg module not loaded).
TEST(SgDevicePath, MapsDriveAddressesToDeviceNodes) {
  std::string root = (fs::temp_directory_path() / "drivesmith-sysfs-XXXXXX").string();
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  const fs::path sysfs = fs::path(root) / "sys";
  const fs::path dev = fs::path(root) / "dev";
  fs::create_directories(sysfs / "class/block/sr0/device/scsi_generic/sg2");
  fs::create_directories(sysfs / "class/block/sr1/device");

  constexpr auto kCdrom = TransportMode::PassThroughCdrom;
  constexpr auto kLetter = TransportMode::PassThroughLetter;
  const std::pair<PassThroughAddress, const char*> mapped[] = {
      {{kCdrom, 0}, "sg2"},  {{kCdrom, 1}, "sr1"},  {{kCdrom, 255}, "sr255"},
      {{kLetter, 0}, "sg0"}, {{kLetter, 2}, "sg2"}, {{kLetter, 253}, "sg253"}};
  for (const auto& [address, node] : mapped)
    EXPECT_EQ(SgDevicePath(address, sysfs, dev), dev / node) << node;
  EXPECT_EQ(SgDevicePath({TransportMode::Aspi, 0}, sysfs, dev), std::nullopt);
  fs::remove_all(root);
}

}  // namespace
}  // namespace drivesmith
