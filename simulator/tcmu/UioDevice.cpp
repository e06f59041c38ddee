#include "simulator/tcmu/UioDevice.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace drivesmith::tcmu {

UioDevice::UioDevice(const std::string& nodePath, const std::string& sysfsRoot) {
  const std::string name = std::filesystem::path(nodePath).filename().string();
  const std::filesystem::path sizeFile =
      std::filesystem::path(sysfsRoot) / "class" / "uio" / name / "maps" / "map0" / "size";
  std::ifstream sizeStream(sizeFile);
  std::size_t size = 0;
  if (!(sizeStream >> std::hex >> size) || size == 0) {
    error_ = "cannot read the map size from " + sizeFile.string();
    return;
  }
  fd_ = ::open(nodePath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = "cannot open " + nodePath + ": " + std::strerror(errno);
    return;
  }
  void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (base == MAP_FAILED) {
    error_ = "cannot map " + nodePath + ": " + std::strerror(errno);
    return;
  }
  base_ = static_cast<std::uint8_t*>(base);
  size_ = size;
}

UioDevice::~UioDevice() {
  if (base_ != nullptr) ::munmap(base_, size_);
  if (fd_ >= 0) ::close(fd_);
}

bool UioDevice::TakeEvents() {
  std::uint32_t count = 0;
  ssize_t n;
  do {
    n = ::read(fd_, &count, sizeof count);
  } while (n < 0 && errno == EINTR);
  return n == sizeof count;
}

bool UioDevice::Notify() {
  const std::uint32_t one = 1;
  ssize_t n;
  do {
    n = ::write(fd_, &one, sizeof one);
  } while (n < 0 && errno == EINTR);
  return n == sizeof one;
}

}  // namespace drivesmith::tcmu
