#include "platform/linux/SgIoPassThroughLayer.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

SgNodeAttempt FailedOpen(const std::filesystem::path& node, int error) {
  SgNodeAttempt attempt{node, SgNodeOutcome::OpenFailed, error, {}, false};
  if (error == ENOENT) {
    attempt.outcome = SgNodeOutcome::Missing;
  } else if (error == EACCES || error == EPERM) {
    attempt.outcome = SgNodeOutcome::PermissionDenied;
    struct stat status {};
    if (::stat(node.c_str(), &status) == 0) attempt.group = status.st_gid;
  }
  return attempt;
}

}  // namespace

SgIoPassThroughDevice::~SgIoPassThroughDevice() { ::close(fd_); }

std::uint8_t SgIoPassThroughDevice::Issue(const PassThroughRequest& request) {
  std::optional<sg_io_hdr_t> sgIo = BuildSgIoRequest(request);
  if (!sgIo) return kPassThroughStatusUnset;
  // SG_IO waits for the command whatever O_NONBLOCK says; it is bounded by
  // the request's own time-out. An interrupted call is not repeated: the
  // command may already have reached the drive.
  const bool succeeded = ::ioctl(fd_, SG_IO, &*sgIo) == 0;
  return ApplySgIoResult(*sgIo, succeeded, request.sense);
}

SgIoPassThroughLayer::SgIoPassThroughLayer(std::filesystem::path sysfsRoot,
                                           std::filesystem::path devRoot, SgAccessLog* accessLog)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)), accessLog_(accessLog) {}

std::unique_ptr<PassThroughDevice> SgIoPassThroughLayer::Open(PassThroughAddress address) {
  const std::optional<std::filesystem::path> path = SgDevicePath(address, sysfsRoot_, devRoot_);
  if (!path) return nullptr;
  // O_NONBLOCK: an optical drive without a disc refuses a blocking open.
  const int fd = ::open(path->c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  SgNodeAttempt attempt{*path, SgNodeOutcome::Opened, 0, {}, false};
  if (fd < 0) {
    attempt = FailedOpen(*path, errno);
  } else if (!TakesSgIo(fd)) {
    attempt.outcome = SgNodeOutcome::NoSgIo;
    attempt.error = errno;
    ::close(fd);
  }
  const bool opened = attempt.outcome == SgNodeOutcome::Opened;
  if (accessLog_ != nullptr) {
    attempt.noGenericNode = LacksGenericNode(*path, sysfsRoot_);
    accessLog_->Record(std::move(attempt));
  }
  if (!opened) return nullptr;
  return std::make_unique<SgIoPassThroughDevice>(fd);
}

}  // namespace drivesmith
