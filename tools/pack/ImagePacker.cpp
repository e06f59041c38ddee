#include "tools/pack/ImagePacker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "image/FirmwareImage.h"

namespace drivesmith {
namespace {

#ifdef _WIN32
// Windows opens files as text unless told otherwise.
constexpr int kOpenForReading = O_RDONLY | O_BINARY;
#else
constexpr int kOpenForReading = O_RDONLY | O_CLOEXEC;
#endif

#ifdef _WIN32
constexpr const char* kPathSeparators = "/\\";
#else
constexpr const char* kPathSeparators = "/";
#endif

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Cause(int error) { return std::strerror(error); }

// A file descriptor closed when it goes out of scope.
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

// An input opened for reading with its status.
struct Input {
  FileDescriptor fd;
  struct stat status {};
};

bool OpenInput(const std::string& path, const char* role, Input& input, std::string& error) {
  input.fd.Reset(::open(path.c_str(), kOpenForReading));
  if (!input.fd.Valid()) {
    error = std::string("Cannot open the ") + role + " " + Quoted(path) + ": " + Cause(errno) + ".";
    return false;
  }
  if (::fstat(input.fd.Get(), &input.status) != 0) {
    error =
        std::string("Cannot query the ") + role + " " + Quoted(path) + ": " + Cause(errno) + ".";
    return false;
  }
  if (!S_ISREG(input.status.st_mode)) {
    error = std::string("The ") + role + " " + Quoted(path) + " is not a regular file.";
    return false;
  }
  return true;
}

// Whether the existing `output` is the input at `inputPath`.
bool SameFile(const std::string& output, const struct stat& outputStatus,
              const std::string& inputPath, const struct stat& inputStatus) {
#ifdef _WIN32
  // The C library of Windows has no file numbers; the file system compares.
  static_cast<void>(outputStatus);
  static_cast<void>(inputStatus);
  std::error_code error;
  return std::filesystem::equivalent(output, inputPath, error) && !error;
#else
  static_cast<void>(output);
  static_cast<void>(inputPath);
  return outputStatus.st_dev == inputStatus.st_dev && outputStatus.st_ino == inputStatus.st_ino;
#endif
}

// Renames `from` to `to`, replacing `to`; returns 0 or the cause's text.
std::string MoveIntoPlace(const std::string& from, const std::string& to) {
#ifdef _WIN32
  // The C library's rename does not replace an existing file on Windows.
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return error ? error.message() : std::string();
#else
  return ::rename(from.c_str(), to.c_str()) != 0 ? Cause(errno) : std::string();
#endif
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

// Copies the whole input to `out`. Fails when the input's length is no
// longer the one it had when it was checked.
bool CopyInput(const Input& input, const std::string& path, int out, const std::string& temporary,
               std::string& error) {
  std::vector<std::uint8_t> chunk(1u << 20);
  std::uint64_t copied = 0;
  for (;;) {
    const ssize_t got = ::read(input.fd.Get(), chunk.data(), chunk.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      error = "Cannot read " + Quoted(path) + ": " + Cause(errno) + ".";
      return false;
    }
    if (got == 0) break;
    if (!WriteAll(out, chunk.data(), static_cast<std::size_t>(got))) {
      error = "Cannot write " + Quoted(temporary) + ": " + Cause(errno) + ".";
      return false;
    }
    copied += static_cast<std::uint64_t>(got);
  }
  if (copied != static_cast<std::uint64_t>(input.status.st_size)) {
    error = Quoted(path) + " changed while it was being packed.";
    return false;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of(kPathSeparators);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool PackProgramFile(const std::string& programPath, const std::string& imagePath,
                     const std::string& outputPath, std::string& error) {
  if (programPath.empty() || imagePath.empty() || outputPath.empty()) {
    error = "The program, image and output paths must not be empty.";
    return false;
  }
  Input program;
  Input image;
  if (!OpenInput(programPath, "program file", program, error) ||
      !OpenInput(imagePath, "image file", image, error)) {
    return false;
  }

  const auto programLength = static_cast<std::uint64_t>(program.status.st_size);
  if (programLength > kMaxPackedProgramLength) {
    error = "The program file " + Quoted(programPath) + " is " + std::to_string(programLength) +
            " bytes long; the trailer can place an image after at most " +
            std::to_string(kMaxPackedProgramLength) + " bytes.";
    return false;
  }
  const auto imageLength = static_cast<std::uint64_t>(image.status.st_size);
  if (imageLength == 0 || imageLength % kMiB != 0 || imageLength / kMiB > kMaxPackedImageSizeMiB) {
    error = "The image file " + Quoted(imagePath) + " is " + std::to_string(imageLength) +
            " bytes long; an image must be a whole number of MiB from 1 to " +
            std::to_string(kMaxPackedImageSizeMiB) + ".";
    return false;
  }

  // The output may be any spelling of a path (a relative one, a symbolic
  // link, a hard link): what counts is whether it is the same file.
  struct stat existing {};
  const bool exists = ::stat(outputPath.c_str(), &existing) == 0;
  const bool isProgram = exists && SameFile(outputPath, existing, programPath, program.status);
  if (isProgram || (exists && SameFile(outputPath, existing, imagePath, image.status))) {
    error = "The output " + Quoted(outputPath) + " is the same file as the " +
            (isProgram ? "program file" : "image file") + "; choose another output.";
    return false;
  }

  std::string temporary = FolderOf(outputPath) + "/." + BaseNameOf(outputPath) + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  FileDescriptor out(::mkstemp(name.data()));
  if (!out.Valid()) {
    error =
        "Cannot create a temporary file next to " + Quoted(outputPath) + ": " + Cause(errno) + ".";
    return false;
  }
  temporary = name.data();

  ImageTrailer trailer;
  trailer.ImageOffset = static_cast<std::uint32_t>(programLength);
  trailer.ImageSizeMiB = static_cast<std::uint32_t>(imageLength / kMiB);
  const std::array<std::uint8_t, kTrailerLength> trailerBytes = trailer.Encode();

  bool ok = CopyInput(program, programPath, out.Get(), temporary, error) &&
            CopyInput(image, imagePath, out.Get(), temporary, error);
  if (ok && !WriteAll(out.Get(), trailerBytes.data(), trailerBytes.size())) {
    error = "Cannot write " + Quoted(temporary) + ": " + Cause(errno) + ".";
    ok = false;
  }
#ifndef _WIN32
  if (ok && ::fchmod(out.Get(), program.status.st_mode & 0777) != 0) {
    error = "Cannot set the permissions of " + Quoted(temporary) + ": " + Cause(errno) + ".";
    ok = false;
  }
#endif
  if (ok) {
    if (const int closeError = out.Close(); closeError != 0) {
      error = "Cannot write " + Quoted(temporary) + ": " + Cause(closeError) + ".";
      ok = false;
    }
  }
  if (ok) {
    if (const std::string cause = MoveIntoPlace(temporary, outputPath); !cause.empty()) {
      error = "Cannot move " + Quoted(temporary) + " to " + Quoted(outputPath) + ": " + cause + ".";
      ok = false;
    }
  }
  if (!ok) {
    out.Close();
    ::unlink(temporary.c_str());
  }
  return ok;
}

}  // namespace drivesmith
