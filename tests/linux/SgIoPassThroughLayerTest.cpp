#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/linux/SgIoPassThroughLayer.h"
#include "tests/linux/TempDirectory.h"
#include "transport/ScsiTransport.h"
#include "transport/TransportSelection.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
namespace pt = passthrough;

// A /dev and /sys of our own: the nodes the names map to are ordinary files
// and pipes, which open but take no SG_IO requests.
class SgIoPassThroughLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.Created());
    fs::create_directories(Sysfs());
    fs::create_directories(Dev());
  }
  fs::path Sysfs() const { return temp_.Path() / "sys"; }
  fs::path Dev() const { return temp_.Path() / "dev"; }

  testing::TempDirectory temp_;
};

TEST_F(SgIoPassThroughLayerTest, MissingNodeDoesNotOpen) {
  SgIoPassThroughLayer layer(Sysfs(), Dev());
  EXPECT_EQ(layer.Open("\\\\.\\cdrom0"), nullptr);
  EXPECT_EQ(layer.Open("\\\\.\\d:"), nullptr);
}

TEST_F(SgIoPassThroughLayerTest, NameThatIsNoDeviceNameDoesNotOpen) {
  std::ofstream(Dev() / "sr0") << "";
  SgIoPassThroughLayer layer(Sysfs(), Dev());
  EXPECT_EQ(layer.Open("\\\\.\\cdrom00"), nullptr);
  EXPECT_EQ(layer.Open("sr0"), nullptr);
}

TEST_F(SgIoPassThroughLayerTest, NodeThatTakesNoScsiRequestsDoesNotOpen) {
  std::ofstream(Dev() / "sr0") << "not a drive";
  ASSERT_EQ(::mkfifo((Dev() / "sg1").c_str(), 0600), 0);
  SgIoPassThroughLayer layer(Sysfs(), Dev());
  EXPECT_EQ(layer.Open("\\\\.\\cdrom0"), nullptr);
  EXPECT_EQ(layer.Open("\\\\.\\e:"), nullptr);
}

TEST_F(SgIoPassThroughLayerTest, CommandToAMissingDriveFailsWithoutSense) {
  SgIoPassThroughLayer layer(Sysfs(), Dev());
  ScsiTransport transport(TransportMode::PassThroughCdrom, nullptr, &layer);
  ScsiRequest request;
  request.asc = 0x3A;
  request.ascq = 0x01;
  request.aspi.SRB_CDBLen = 6;
  request.aspi.SRB_Flags = aspi::kFlagDataIn;
  request.aspi.CDBByte[0] = 0x12;
  EXPECT_EQ(transport.SendRequest(request, 36), 0);
  EXPECT_EQ(request.asc, 0);
  EXPECT_EQ(request.ascq, 0);
}

// A descriptor that is no SCSI device: the SG_IO call itself fails, and the
// header must not report any status.
TEST(SgIoPassThroughDevice, RefusedCallLeavesStatusUnset) {
  const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  SgIoPassThroughDevice device(fd);

  pt::Buffer buffer{};
  buffer[pt::kScsiStatus] = 0x00;
  buffer[pt::kCdbLength] = 6;
  buffer[pt::kSenseInfoLength] = pt::kSenseInfoLengthValue;
  buffer[pt::kDataIn] = pt::kDataInDir;
  pt::Put32(buffer, pt::kDataTransferLength, 36);
  pt::Put32(buffer, pt::kTimeOutValue, pt::kTimeOutSeconds);
  device.IssuePassThrough(std::span<std::uint8_t>(buffer.data(), pt::kDataOffset + 36));
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
}

TEST(SgIoPassThroughDevice, ClosesItsDescriptorWhenDestroyed) {
  // A high number, which no other thread's open would be given meanwhile.
  constexpr int kHighDescriptor = 900;
  const int opened = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(opened, 0);
  const int fd = ::fcntl(opened, F_DUPFD_CLOEXEC, kHighDescriptor);
  ::close(opened);
  ASSERT_GE(fd, kHighDescriptor);
  { SgIoPassThroughDevice device(fd); }
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
}

}  // namespace
}  // namespace drivesmith
