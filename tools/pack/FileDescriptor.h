#pragma once
// A file descriptor closed when it goes out of scope.

#include <unistd.h>

#include <cerrno>

namespace drivesmith {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Returns 0 or the errno of a failed close.
  int Close() {
    int result = 0;
    if (fd_ >= 0 && ::close(fd_) != 0) {
      result = errno;
    }
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace drivesmith
