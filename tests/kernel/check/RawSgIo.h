#pragma once
// One SG_IO request on an open node, without the program's adapter: the
// floor that the adapter is measured against, and the kernel's own answer
// where the adapter would hide it (a refused ioctl's errno, raw sense bytes).

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "transport/ScsiRequest.h"

namespace drivesmith::kernelcheck {

enum class RawDirection { None, In, Out };

struct RawOutcome {
  int ioctlResult = 0;  // 0, or -1 with `error` set
  int error = 0;
  std::uint8_t status = 0xFF;
  std::uint16_t hostStatus = 0;
  std::uint16_t driverStatus = 0;
  std::vector<std::uint8_t> sense;  // as the kernel wrote it
};

// An open device node, closed again on destruction.
class OpenNode {
 public:
  explicit OpenNode(const std::string& path);
  ~OpenNode();
  OpenNode(const OpenNode&) = delete;
  OpenNode& operator=(const OpenNode&) = delete;
  bool Ok() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

// The adapter's own time-out, so both sides wait alike.
inline constexpr std::chrono::milliseconds kRawTimeout = passthrough::kTimeOut;

RawOutcome SendRaw(int fd, std::span<const std::uint8_t> cdb, RawDirection direction,
                   std::span<std::uint8_t> data, std::chrono::milliseconds timeout = kRawTimeout);

// The /dev/sgN node of /dev/srN, found in sysfs; empty when there is none.
std::string GenericNodeOf(int cdromIndex);

}  // namespace drivesmith::kernelcheck
