// The image's trailer, header and loader table read, and the image load,
// through the real file layer: the input becomes a program file on disk.
//
// Input: 3 bytes of a hole length and 2 bytes of a split position, then the
// file's bytes; the hole (zero bytes, stored sparse) goes in at the split, so
// that short inputs make files long enough for whole images.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"

namespace drivesmith::fuzz {
namespace {

// Room for a two-megabyte image with its offset and trailer.
constexpr std::uint32_t kLongestHole = 2 * kMiB + 65536;

// One scratch file for the whole run, removed when the run ends.
class ScratchFile {
 public:
  ScratchFile() {
    path_ = (std::filesystem::temp_directory_path() / "drivesmith-fuzz-image-XXXXXX").string();
    fd_ = ::mkstemp(path_.data());
    Check(fd_ >= 0, "the scratch file can be made");
  }
  ~ScratchFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // The file becomes `head`, `hole` zero bytes, then `tail`.
  void Write(std::span<const std::uint8_t> head, std::uint32_t hole,
             std::span<const std::uint8_t> tail) {
    Check(::ftruncate(fd_, 0) == 0, "the scratch file can be emptied");
    WriteAt(head, 0);
    WriteAt(tail, static_cast<off_t>(head.size() + hole));
    const auto length = static_cast<off_t>(head.size() + hole + tail.size());
    Check(::ftruncate(fd_, length) == 0, "the scratch file takes its length");
  }
  const std::string& Path() const { return path_; }

 private:
  void WriteAt(std::span<const std::uint8_t> bytes, off_t at) {
    if (bytes.empty()) return;
    Check(::pwrite(fd_, bytes.data(), bytes.size(), at) == static_cast<ssize_t>(bytes.size()),
          "the scratch file takes the input");
  }
  std::string path_;
  int fd_ = -1;
};

}  // namespace
}  // namespace drivesmith::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace drivesmith;
  using namespace drivesmith::fuzz;
  static ScratchFile scratch;

  FuzzInput input(data, size);
  const std::uint32_t hole = input.Number(3) % (kLongestHole + 1);
  const std::size_t split = input.Number(2);
  const std::span<const std::uint8_t> bytes = input.Rest();
  const auto head = bytes.first(std::min(split, bytes.size()));
  const auto tail = bytes.subspan(head.size());
  scratch.Write(head, hole, tail);
  const std::uint64_t fileLength = head.size() + hole + tail.size();
  // The byte at `offset` of the file as written.
  const auto FileByte = [&](std::uint64_t offset) -> std::uint8_t {
    if (offset < head.size()) return head[offset];
    if (offset < head.size() + hole) return 0;
    return tail[offset - head.size() - hole];
  };

  DiskProgramFile program(scratch.Path());
  FirmwareImage image;
  image.ReadImageHeader(program);
  const ImageHeader& header = image.Header();
  Check(header.Information.size() == kDescriptionLength, "the Information text has 30 characters");
  for (const char c : header.Information) {
    Check(c >= 0x20 && c <= 0x7F, "the Information text shows only printable characters");
  }
  Check(header.imageFlashSizeCode == kFlash1M || header.imageFlashSizeCode == kFlash2M,
        "the image's layout is 1M or 2M");

  std::string failure;
  const int loaded = image.LoadFirmwareImage(program, scratch.Path(), failure);
  Check(loaded == 0 || loaded == 1, "the load reports 1 or 0");
  if (loaded == 0) {
    Check(image.Data() == nullptr && image.Length() == 0, "a failed load leaves no image");
    return 0;
  }
  const ImageTrailer& trailer = image.Trailer();
  const std::uint64_t length = std::uint64_t{trailer.ImageSizeMiB} * kMiB;
  Check(length > 0 && image.Length() == length, "the image has the length the trailer gives");
  Check(trailer.ImageOffset + length + kTrailerLength <= fileLength,
        "the image ends before the trailer begins");
  for (const std::uint64_t at : {std::uint64_t{0}, length / 2, length - 1}) {
    Check(image.Data()[at] == FileByte(trailer.ImageOffset + at),
          "the image holds the file's bytes");
  }
  return 0;
}
