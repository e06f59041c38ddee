#pragma once
// Synthetic firmware images for tests and the demo: pseudo-random bytes from
// a seed, with the header fields the program reads placed where it reads them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drivesmith {

// The text written at the loader identity: the 16-character identity followed
// by the loader's 4-character revision.
inline constexpr std::size_t kLoaderTextLength = 20;
inline constexpr std::size_t kTypeCodeLength = 6;

struct SyntheticImageOptions {
  unsigned sizeMiB = 2;  // 1 or 2
  std::uint64_t seed = 0;
  // Bytes at the loader identity, at most 20; the rest of the 20 are zero.
  // Without a value the default loader of the layout is written.
  std::optional<std::string> loader;
  std::string typeCode = "M7EH00";  // at most 6 bytes, zero-padded
  // At most 30 bytes, zero-padded. Without a value: DefaultDescription(), or
  // 30 zero bytes when `defaultDescription` is false.
  std::optional<std::string> description;
  bool defaultDescription = true;
};

// "ZAzizud2 ZIRIVID2.01" for the two-megabyte layout; a loader that is not in
// the loader table for the one-megabyte layout.
std::string DefaultLoaderText(unsigned sizeMiB);

// Vendor (8), NUL, product (16), NUL, revision (4).
std::string DefaultDescription();

// Builds the image. Returns false and explains in `error` when an option is
// out of range (size not 1 or 2, a text longer than its field).
bool BuildSyntheticImage(const SyntheticImageOptions& options, std::vector<std::uint8_t>& image,
                         std::string& error);

// Turns the escapes \xHH, \0 and \\ of a command-line text into bytes.
// Returns false and explains in `error` when an escape is malformed.
bool DecodeTextEscapes(const std::string& text, std::string& bytes, std::string& error);

// Writes `bytes` to `path`, replacing any file there.
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string& error);

}  // namespace drivesmith
