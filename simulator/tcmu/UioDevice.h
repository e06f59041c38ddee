#pragma once
// A UIO device node (/dev/uioN): its first memory map, shared with the
// kernel, and its event counter. Reading waits for the kernel's next event;
// writing tells the kernel that the handler has answered.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace drivesmith::tcmu {

class UioDevice {
 public:
  // Opens `nodePath` and maps its map 0, whose size sysfs gives under
  // <sysfsRoot>/class/uio/uioN/maps/map0/size. Check Error() afterwards.
  explicit UioDevice(const std::string& nodePath, const std::string& sysfsRoot = "/sys");
  ~UioDevice();
  UioDevice(const UioDevice&) = delete;
  UioDevice& operator=(const UioDevice&) = delete;

  // Empty when the device is open and mapped; otherwise what failed.
  const std::string& Error() const { return error_; }
  std::span<std::uint8_t> Shared() { return {base_, size_}; }
  int Descriptor() const { return fd_; }

  // Consumes the events counted since the last call (a read that does not
  // block once an event is pending). False when the device is gone.
  bool TakeEvents();
  // Tells the kernel to look at the ring again.
  bool Notify();

 private:
  int fd_ = -1;
  std::uint8_t* base_ = nullptr;
  std::size_t size_ = 0;
  std::string error_;
};

}  // namespace drivesmith::tcmu
