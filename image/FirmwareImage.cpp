#include "image/FirmwareImage.h"

#include <new>
#include <utility>

namespace drivesmith {
namespace {

// Description bytes that the Information field cannot show become blanks:
// control characters below 0x20 and everything above 0x7F.
char ShowableCharacter(std::uint8_t byte) {
  if (byte < 0x20 || byte > 0x7F) {
    return ' ';
  }
  return static_cast<char>(byte);
}

// Reads `count` bytes at `offset`; the caller's buffer keeps its contents
// where the file has no bytes to give.
void ReadAt(OpenedFile& file, std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
  if (file.SeekFromStart(offset)) {
    file.Read(buffer, count);
  }
}

}  // namespace

ImageTrailer ImageTrailer::Decode(const std::array<std::uint8_t, kTrailerLength>& bytes) {
  ImageTrailer trailer;
  trailer.ImageOffset =
      (std::uint32_t{bytes[0]} << 16) | (std::uint32_t{bytes[1]} << 8) | std::uint32_t{bytes[2]};
  trailer.ImageSizeMiB = bytes[3];
  return trailer;
}

std::array<std::uint8_t, kTrailerLength> ImageTrailer::Encode() const {
  return {static_cast<std::uint8_t>((ImageOffset >> 16) & 0xFFu),
          static_cast<std::uint8_t>((ImageOffset >> 8) & 0xFFu),
          static_cast<std::uint8_t>(ImageOffset & 0xFFu),
          static_cast<std::uint8_t>(ImageSizeMiB & 0xFFu)};
}

void FirmwareImage::ReadImageHeader(ProgramFile& file, std::uint32_t loaderIdentityOffset) {
  header_.imageFlashSizeCode = kFlash1M;
  headerFile_.reset();

  const std::string path = file.Path();
  if (path.empty()) {
    return;
  }

  // The trailer. One that cannot be read whole counts as all zero, which
  // leaves an image of length 0 that no load accepts.
  std::string ignoredFailure;
  trailer_ = ImageTrailer{};
  std::optional<FileIdentity> trailerFile;
  if (auto opened = file.Open(path, ignoredFailure)) {
    trailerFile = opened->QueryIdentity();
    std::array<std::uint8_t, kTrailerLength> bytes{};
    if (opened->SeekFromEnd(-static_cast<std::int64_t>(kTrailerLength)) &&
        opened->Read(bytes.data(), bytes.size()) == bytes.size()) {
      trailer_ = ImageTrailer::Decode(bytes);
    }
  }

  header_.Information.clear();
  header_.TypeCode.fill(0);
  auto opened = file.Open(path, ignoredFailure);
  if (!opened) {
    return;
  }
  // A file renamed over the program between the two opens would pair one
  // file's trailer with another's header; no load may then go ahead.
  headerFile_ = opened->QueryIdentity();
  if (headerFile_ != trailerFile) {
    headerFile_.reset();
  }
  const std::uint64_t imageStart = trailer_.ImageOffset;

  ReadAt(*opened, imageStart + kTypeCodeOffset, header_.TypeCode.data(), header_.TypeCode.size());

  std::array<std::uint8_t, 32> scratch{};
  ReadAt(*opened, imageStart + kDescriptionOffset, scratch.data(), kDescriptionLength);
  header_.Information.reserve(kDescriptionLength);
  for (std::size_t i = 0; i < kDescriptionLength; ++i) {
    header_.Information.push_back(ShowableCharacter(scratch[i]));
  }

  scratch.fill(0);
  ReadAt(*opened, imageStart + loaderIdentityOffset, scratch.data(), kLoaderIdentityLength);
  const std::span<const std::uint8_t> identity(scratch.data(), kLoaderIdentityLength);
  if (const auto code = FindLoaderCode(identity)) {
    header_.imageFlashSizeCode = *code;
  }
}

int FirmwareImage::LoadFirmwareImage(ProgramFile& file, const std::string& path,
                                     std::string& openFailure) {
  // A failed load never leaves an earlier image looking like a fresh one.
  Release();

  auto opened = file.Open(path, openFailure);
  if (!opened) {
    return 0;
  }
  const std::optional<std::uint64_t> fileLength = opened->QueryLength();
  if (!fileLength) {
    return 0;
  }
  const std::uint64_t imageLength = std::uint64_t{trailer_.ImageSizeMiB} << 20;
  if (imageLength == 0) {
    return 0;
  }
  if (*fileLength < kTrailerLength) {
    return 0;
  }
  // The buffer is never larger than what the file can supply: a trailer
  // that claims more than the file holds before the trailer fails here,
  // before any allocation, and no trailer byte can become image.
  if (std::uint64_t{trailer_.ImageOffset} + imageLength > *fileLength - kTrailerLength) {
    return 0;
  }
  const std::optional<FileIdentity> identity = opened->QueryIdentity();
  if (!identity || !headerFile_ || *identity != *headerFile_) {
    return 0;
  }

  std::vector<std::uint8_t> image;
  try {
    image.resize(static_cast<std::size_t>(imageLength));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // Nothing from bytes that were not read may ever reach a drive.
  if (!opened->SeekFromStart(trailer_.ImageOffset) ||
      opened->Read(image.data(), image.size()) != image.size()) {
    return 0;
  }
  image_ = std::move(image);
  return 1;
}

void FirmwareImage::Release() {
  image_.clear();
  image_.shrink_to_fit();
}

}  // namespace drivesmith
