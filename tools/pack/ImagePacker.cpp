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
#include "tools/pack/FileDescriptor.h"
#include "tools/pack/ReplacementFile.h"

namespace drivesmith {
namespace {

#ifdef _WIN32
// Windows opens files as text unless told otherwise; it has no FIFOs that
// could take a regular file's place between the check and the open.
constexpr int kInputOpenFlags = O_RDONLY | O_BINARY;
#else
// Non-blocking, should it have been swapped for a FIFO since the check.
constexpr int kInputOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
#endif

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Cause(int error) { return std::strerror(error); }

// An input opened for reading with its status.
struct Input {
  FileDescriptor fd;
  struct stat status {};
};

bool OpenInput(const std::string& path, const char* role, Input& input, std::string& error) {
  const std::string notRegular =
      std::string("The ") + role + " " + Quoted(path) + " is not a regular file.";
  // A FIFO or a device is refused before it is opened: opening one may block
  // or act on the device.
  struct stat named {};
  if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
    error = notRegular;
    return false;
  }
  input.fd.Reset(::open(path.c_str(), kInputOpenFlags));
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
    error = notRegular;
    return false;
  }
#ifndef _WIN32
  const int flags = ::fcntl(input.fd.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(input.fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = std::string("Cannot read the ") + role + " " + Quoted(path) + ": " + Cause(errno) + ".";
    return false;
  }
#endif
  return true;
}

// Whether the existing `output` is the input at `inputPath`.
bool SameFile(const std::string& output, const struct stat& outputStatus,
              const std::string& inputPath, const struct stat& inputStatus) {
#ifdef _WIN32
  // The C library of Windows has no file numbers (st_ino is 0); the file
  // system compares the two files' volume and index.
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

// Copies the whole input to `out`. Fails, as soon as it shows, when the
// input's length is no longer the one it had when it was checked.
bool CopyInput(const Input& input, const std::string& path, int out, const std::string& outputPath,
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
      error = "Cannot write " + Quoted(outputPath) + ": " + Cause(errno) + ".";
      return false;
    }
    copied += static_cast<std::uint64_t>(got);
    // An input that keeps growing would be read forever.
    if (copied > static_cast<std::uint64_t>(input.status.st_size)) break;
  }
  if (copied != static_cast<std::uint64_t>(input.status.st_size)) {
    error = Quoted(path) + " changed while it was being packed.";
    return false;
  }
  return true;
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
  if (programLength == 0) {
    error = "The program file " + Quoted(programPath) + " is empty.";
    return false;
  }
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
  if (::stat(outputPath.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) {
      error = "The output " + Quoted(outputPath) + " is a directory; name a file.";
      return false;
    }
    const bool isProgram = SameFile(outputPath, existing, programPath, program.status);
    if (isProgram || SameFile(outputPath, existing, imagePath, image.status)) {
      error = "The output " + Quoted(outputPath) + " is the same file as the " +
              (isProgram ? "program file" : "image file") + "; choose another output.";
      return false;
    }
  }

  ReplacementFile out;
  if (!out.Open(outputPath, error)) return false;

  ImageTrailer trailer;
  trailer.ImageOffset = static_cast<std::uint32_t>(programLength);
  trailer.ImageSizeMiB = static_cast<std::uint32_t>(imageLength / kMiB);
  const std::array<std::uint8_t, kTrailerLength> trailerBytes = trailer.Encode();

  if (!CopyInput(program, programPath, out.Fd(), outputPath, error) ||
      !CopyInput(image, imagePath, out.Fd(), outputPath, error)) {
    return false;
  }
  if (!WriteAll(out.Fd(), trailerBytes.data(), trailerBytes.size())) {
    error = "Cannot write " + Quoted(outputPath) + ": " + Cause(errno) + ".";
    return false;
  }
  return out.Commit(program.status.st_mode & 0777, error);
}

}  // namespace drivesmith
