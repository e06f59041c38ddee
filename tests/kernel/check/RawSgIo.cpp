#include "tests/kernel/check/RawSgIo.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace drivesmith::kernelcheck {

namespace {
constexpr std::size_t kSenseCapacity = 32;
}

OpenNode::OpenNode(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}

OpenNode::~OpenNode() {
  if (fd_ >= 0) ::close(fd_);
}

RawOutcome SendRaw(int fd, std::span<const std::uint8_t> cdb, RawDirection direction,
                   std::span<std::uint8_t> data, std::chrono::milliseconds timeout) {
  RawOutcome outcome;
  std::vector<std::uint8_t> block(cdb.begin(), cdb.end());
  outcome.sense.assign(kSenseCapacity, 0);
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.cmdp = block.data();
  request.cmd_len = static_cast<unsigned char>(block.size());
  request.dxfer_direction = direction == RawDirection::In    ? SG_DXFER_FROM_DEV
                            : direction == RawDirection::Out ? SG_DXFER_TO_DEV
                                                             : SG_DXFER_NONE;
  request.dxferp = direction == RawDirection::None ? nullptr : data.data();
  request.dxfer_len = direction == RawDirection::None ? 0 : static_cast<unsigned>(data.size());
  request.sbp = outcome.sense.data();
  request.mx_sb_len = static_cast<unsigned char>(outcome.sense.size());
  request.timeout = static_cast<unsigned>(timeout.count());
  outcome.ioctlResult = ::ioctl(fd, SG_IO, &request);
  outcome.error = outcome.ioctlResult == 0 ? 0 : errno;
  if (outcome.ioctlResult == 0) {
    outcome.status = request.status;
    outcome.hostStatus = request.host_status;
    outcome.driverStatus = request.driver_status;
    outcome.sense.resize(request.sb_len_wr);
  }
  return outcome;
}

std::string GenericNodeOf(int cdromIndex) {
  const std::filesystem::path dir =
      "/sys/class/block/sr" + std::to_string(cdromIndex) + "/device/scsi_generic";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error))
    return "/dev/" + entry.path().filename().string();
  return {};
}

}  // namespace drivesmith::kernelcheck
