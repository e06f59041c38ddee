#include <gtest/gtest.h>

#include <fstream>

#include "platform/linux/SgDevicePath.h"
#include "tests/linux/TempDirectory.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out for optical drives:
//   sr0 with generic node sg2, sr1 without one (sg module not loaded),
//   sr2 whose scsi_generic folder holds something that is not a node name.
class SgDevicePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.Created());
    sysfs_ = temp_.Path() / "sys";
    dev_ = temp_.Path() / "dev";
    fs::create_directories(GenericFolder("sr0") / "sg2");
    std::ofstream(GenericFolder("sr0") / "sg2" / "dev") << "21:2\n";
    fs::create_directories(sysfs_ / "class" / "block" / "sr1" / "device");
    fs::create_directories(GenericFolder("sr2") / "sgx");
    std::ofstream(GenericFolder("sr2") / "uevent") << "\n";
  }

  fs::path GenericFolder(const std::string& sr) const {
    return sysfs_ / "class" / "block" / sr / "device" / "scsi_generic";
  }

  std::optional<fs::path> Map(const std::string& name) const {
    return SgDevicePath(name, sysfs_, dev_);
  }

  testing::TempDirectory temp_;
  fs::path sysfs_;
  fs::path dev_;
};

TEST_F(SgDevicePathTest, CdromWithGenericNodeMapsToTheGenericNode) {
  EXPECT_EQ(Map("\\\\.\\cdrom0"), dev_ / "sg2");
}

TEST_F(SgDevicePathTest, CdromWithoutGenericNodeFallsBackToTheBlockDevice) {
  EXPECT_EQ(Map("\\\\.\\cdrom1"), dev_ / "sr1");
  EXPECT_EQ(Map("\\\\.\\cdrom2"), dev_ / "sr2");
  EXPECT_EQ(Map("\\\\.\\cdrom255"), dev_ / "sr255");
}

TEST_F(SgDevicePathTest, NamesTheTransportBuildsMapForEveryIndex) {
  for (int index = 0; index < 256; ++index) {
    const auto driveIndex = static_cast<std::uint8_t>(index);
    const std::string number = std::to_string(index);
    EXPECT_EQ(Map(PassThroughDeviceName(TransportMode::PassThroughLetter, driveIndex)),
              dev_ / ("sg" + number));
    if (index != 0) {
      EXPECT_EQ(Map(PassThroughDeviceName(TransportMode::PassThroughCdrom, driveIndex)),
                dev_ / ("sr" + number));
    }
  }
}

struct LetterCase {
  const char* name;
  const char* node;
};

class SgDeviceLetter : public SgDevicePathTest, public ::testing::WithParamInterface<LetterCase> {};

TEST_P(SgDeviceLetter, MapsToGenericNodeOfTheDriveIndex) {
  EXPECT_EQ(Map(GetParam().name), dev_ / GetParam().node);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, SgDeviceLetter,
    ::testing::Values(LetterCase{"\\\\.\\d:", "sg0"}, LetterCase{"\\\\.\\e:", "sg1"},
                      LetterCase{"\\\\.\\f:", "sg2"}, LetterCase{"\\\\.\\z:", "sg22"},
                      LetterCase{"\\\\.\\a:", "sg253"}, LetterCase{"\\\\.\\c:", "sg255"}));

class SgDeviceGarbage : public SgDevicePathTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(SgDeviceGarbage, NamesNoDevice) { EXPECT_EQ(Map(GetParam()), std::nullopt); }

INSTANTIATE_TEST_SUITE_P(Names, SgDeviceGarbage,
                         ::testing::Values("", "cdrom0", "d:", "\\\\.\\", "\\\\.\\cdrom",
                                           "\\\\.\\cdromx", "\\\\.\\cdrom-1", "\\\\.\\cdrom+1",
                                           "\\\\.\\cdrom01", "\\\\.\\cdrom256",
                                           "\\\\.\\cdrom99999999999", "\\\\.\\cdrom0/../../etc",
                                           "\\\\.\\cdrom0 ", "\\\\.\\d", "\\\\.\\dd:", "\\\\.\\d:x",
                                           "\\\\.\\:", "//./cdrom0", "\\\\?\\cdrom0",
                                           "\\\\.\\CDROM0"));

}  // namespace
}  // namespace drivesmith
