#pragma once
// One SG_IO request on an open node, without the program's adapter: the
// floor that the adapter is measured against, and the kernel's own answer
// where the adapter would hide it (a refused ioctl's errno, raw sense bytes).

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "transport/ScsiRequest.h"

namespace drivesmith::kernelcheck {

enum class RawDirection { None = SG_DXFER_NONE, In = SG_DXFER_FROM_DEV, Out = SG_DXFER_TO_DEV };

struct RawOutcome {
  int ioctlResult = 0;  // 0, or -1 with `error` set
  int error = 0;
  std::uint8_t status = 0xFF;
  std::uint16_t hostStatus = 0;
  std::uint16_t driverStatus = 0;
  std::vector<std::uint8_t> sense = std::vector<std::uint8_t>(32);  // as the kernel wrote it
};

// An open device node, closed again on destruction.
class OpenNode {
 public:
  explicit OpenNode(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
  ~OpenNode() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenNode(const OpenNode&) = delete;
  OpenNode& operator=(const OpenNode&) = delete;
  bool Ok() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

// Sent with the adapter's own time-out, so both sides wait alike.
inline RawOutcome SendRaw(int fd, std::span<const std::uint8_t> cdb, RawDirection direction,
                          std::span<std::uint8_t> data) {
  RawOutcome outcome;
  std::vector<std::uint8_t> block(cdb.begin(), cdb.end());
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.cmdp = block.data();
  request.cmd_len = static_cast<unsigned char>(block.size());
  request.dxfer_direction = static_cast<int>(direction);
  request.dxferp = direction == RawDirection::None ? nullptr : data.data();
  request.dxfer_len = direction == RawDirection::None ? 0 : static_cast<unsigned>(data.size());
  request.sbp = outcome.sense.data();
  request.mx_sb_len = static_cast<unsigned char>(outcome.sense.size());
  request.timeout = static_cast<unsigned>(std::chrono::milliseconds(passthrough::kTimeOut).count());
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

// The /dev/sgN node of /dev/srN, found in sysfs; empty when there is none.
inline std::string GenericNodeOf(int cdromIndex) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(
           "/sys/class/block/sr" + std::to_string(cdromIndex) + "/device/scsi_generic", error))
    return "/dev/" + entry.path().filename().string();
  return {};
}

}  // namespace drivesmith::kernelcheck
