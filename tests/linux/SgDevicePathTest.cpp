#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/linux/SgDevicePath.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out: sr0 with generic node sg2, sr1
// without one (the sg module not loaded).
TEST(SgDevicePath, MapsTransportNamesToDeviceNodes) {
  std::string root = (fs::temp_directory_path() / "drivesmith-sysfs-XXXXXX").string();
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  const fs::path sysfs = fs::path(root) / "sys";
  const fs::path dev = fs::path(root) / "dev";
  fs::create_directories(sysfs / "class/block/sr0/device/scsi_generic/sg2");
  fs::create_directories(sysfs / "class/block/sr1/device");

  const std::string prefix = "\\\\.\\";  // how the transport's names begin
  const std::pair<const char*, const char*> mapped[] = {
      {"cdrom0", "sg2"}, {"cdrom1", "sr1"}, {"d:", "sg0"}, {"f:", "sg2"}, {"a:", "sg253"}};
  for (const auto& [name, node] : mapped)
    EXPECT_EQ(SgDevicePath(prefix + name, sysfs, dev), dev / node) << name;
  const char* garbage[] = {"cdrom", "cdrom01", "cdrom256", "cdrom-1", "cdrom0/../../etc",
                           "dd:",   "d:x",     "CDROM0",   ""};
  for (const char* name : garbage)
    EXPECT_EQ(SgDevicePath(prefix + name, sysfs, dev), std::nullopt) << name;
  for (const char* name : {"", "cdrom0", "d:", "\\\\?\\cdrom0"})
    EXPECT_EQ(SgDevicePath(name, sysfs, dev), std::nullopt) << name;
  fs::remove_all(root);
}

}  // namespace
}  // namespace drivesmith
