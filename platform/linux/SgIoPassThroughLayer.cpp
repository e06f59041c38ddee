#include "platform/linux/SgIoPassThroughLayer.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <utility>

#include "platform/linux/SgDevicePath.h"
#include "platform/linux/SgIoTranslation.h"

namespace drivesmith {

namespace {

// The first SG_IO version (sg driver 3.0); both the sg driver and the block
// layer's SCSI ioctls report at least this.
constexpr int kFirstSgIoVersion = 30000;

bool TakesSgIo(int fd) {
  int version = 0;
  return ::ioctl(fd, SG_GET_VERSION_NUM, &version) == 0 && version >= kFirstSgIoVersion;
}

}  // namespace

SgIoPassThroughDevice::~SgIoPassThroughDevice() { ::close(fd_); }

void SgIoPassThroughDevice::IssuePassThrough(std::span<std::uint8_t> buffer) {
  std::optional<sg_io_hdr_t> request = BuildSgIoRequest(buffer);
  if (!request) return;
  // SG_IO waits for the command whatever O_NONBLOCK says; it is bounded by
  // the request's own time-out. An interrupted call is not repeated: the
  // command may already have reached the drive.
  const bool succeeded = ::ioctl(fd_, SG_IO, &*request) == 0;
  ApplySgIoResult(*request, succeeded, buffer);
}

SgIoPassThroughLayer::SgIoPassThroughLayer(std::filesystem::path sysfsRoot,
                                           std::filesystem::path devRoot)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {}

std::unique_ptr<PassThroughDevice> SgIoPassThroughLayer::Open(const std::string& deviceName) {
  const std::optional<std::filesystem::path> path = SgDevicePath(deviceName, sysfsRoot_, devRoot_);
  if (!path) return nullptr;
  // O_NONBLOCK: an optical drive without a disc refuses a blocking open.
  const int fd = ::open(path->c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (!TakesSgIo(fd)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<SgIoPassThroughDevice>(fd);
}

}  // namespace drivesmith
