#pragma once
// The firmware image appended to the program file: its trailer, the header
// fields the program reads, and the image loaded into memory.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/LoaderTable.h"
#include "image/ProgramFile.h"

namespace drivesmith {

inline constexpr std::uint32_t kMiB = 1048576;
inline constexpr std::uint32_t kLoaderIdentityOffset = 0x2844;  // 16 bytes
inline constexpr std::uint32_t kTypeCodeOffset = 0x8004;        // 6 bytes
inline constexpr std::uint32_t kDescriptionOffset = 0x800A;     // 30 bytes
inline constexpr std::size_t kTrailerLength = 4;
inline constexpr std::size_t kDescriptionLength = 30;
inline constexpr std::size_t kLoaderIdentityLength = 16;

// The last four bytes of the program file.
struct ImageTrailer {
  std::uint32_t ImageOffset = 0;   // 24-bit big-endian, file offset of the image
  std::uint32_t ImageSizeMiB = 0;  // image length in MiB

  static ImageTrailer Decode(const std::array<std::uint8_t, kTrailerLength>& bytes);
  std::array<std::uint8_t, kTrailerLength> Encode() const;
};

// The header fields read from the image.
struct ImageHeader {
  std::array<std::uint8_t, 6> TypeCode{};
  std::string Information;  // Description with blanks for unprintable bytes, 30 characters
  FlashSizeCode imageFlashSizeCode = kFlash1M;
};

class FirmwareImage {
 public:
  // Reads the trailer and the header fields of the program file. An empty
  // path reads nothing and leaves the Information text as it was.
  void ReadImageHeader(ProgramFile& file,
                       std::uint32_t loaderIdentityOffset = kLoaderIdentityOffset);

  // Reads the whole image into a fresh buffer. Returns 1 on success, 0 on
  // failure; a failed open sets `openFailure` to the file layer's report. A
  // read that returns fewer bytes than the image length is a failure, and so
  // is a file other than the one whose header was read (replaced or changed
  // since): its image would not be the one the user was shown.
  int LoadFirmwareImage(ProgramFile& file, const std::string& path, std::string& openFailure);

  const ImageTrailer& Trailer() const { return trailer_; }
  const ImageHeader& Header() const { return header_; }
  // The loaded image; null until a load succeeded.
  const std::uint8_t* Data() const { return image_.empty() ? nullptr : image_.data(); }
  std::size_t Length() const { return image_.size(); }
  void Release();

 private:
  ImageTrailer trailer_;
  ImageHeader header_;
  // The file whose header was read; a load reads only that same file.
  std::optional<FileIdentity> headerFile_;
  // Empty until a load succeeded.
  std::vector<std::uint8_t> image_;
};

}  // namespace drivesmith
