// The ordinary file system behind the program-file port, on POSIX systems:
// the C library's streams, with fstat for the length and the identity.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "image/ProgramFile.h"

namespace drivesmith {
namespace {

// A file of the ordinary file system, read through the C library.
class DiskOpenedFile : public OpenedFile {
 public:
  explicit DiskOpenedFile(std::FILE* stream) : stream_(stream) {}
  ~DiskOpenedFile() override { std::fclose(stream_); }
  DiskOpenedFile(const DiskOpenedFile&) = delete;
  DiskOpenedFile& operator=(const DiskOpenedFile&) = delete;

  bool SeekFromStart(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
      return false;
    }
    return fseeko(stream_, static_cast<off_t>(offset), SEEK_SET) == 0;
  }

  bool SeekFromEnd(std::int64_t offset) override {
    if (offset < std::numeric_limits<off_t>::min() || offset > std::numeric_limits<off_t>::max()) {
      return false;
    }
    return fseeko(stream_, static_cast<off_t>(offset), SEEK_END) == 0;
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    if (count == 0) {
      return 0;
    }
    return std::fread(buffer, 1, count, stream_);
  }

  std::optional<std::uint64_t> QueryLength() override {
    struct stat status {};
    if (fstat(fileno(stream_), &status) != 0 || status.st_size < 0) {
      return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_size);
  }

  std::optional<FileIdentity> QueryIdentity() override {
    struct stat status {};
    if (fstat(fileno(stream_), &status) != 0 || status.st_size < 0) {
      return std::nullopt;
    }
    constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino),
                        static_cast<std::uint64_t>(status.st_size),
                        static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNanosecondsPerSecond +
                            status.st_mtim.tv_nsec};
  }

 private:
  std::FILE* stream_;
};

}  // namespace

std::unique_ptr<OpenedFile> OpenDiskFile(const std::string& openPath,
                                         const std::string& reportedName, std::string& failure) {
  errno = 0;
  std::FILE* stream = std::fopen(openPath.c_str(), "rb");
  if (stream == nullptr) {
    const int cause = errno;
    failure = "Cannot open file \"" + reportedName +
              "\": " + (cause != 0 ? std::strerror(cause) : "Unknown error") + ".";
    return nullptr;
  }
  return std::make_unique<DiskOpenedFile>(stream);
}

std::unique_ptr<OpenedFile> DiskProgramFile::Open(const std::string& path, std::string& failure) {
  return OpenDiskFile(path, path, failure);
}

}  // namespace drivesmith
