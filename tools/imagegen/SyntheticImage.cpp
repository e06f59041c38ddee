#include "tools/imagegen/SyntheticImage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "image/FirmwareImage.h"

namespace drivesmith {
namespace {

// The same bytes for the same seed on every platform.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_;
};

// Copies `text` into the field at `offset` and zero-fills the rest of it.
bool PlaceField(std::vector<std::uint8_t>& image, std::uint32_t offset, std::size_t fieldLength,
                const std::string& text, const char* fieldName, std::string& error) {
  if (text.size() > fieldLength) {
    error = std::string(fieldName) + " is " + std::to_string(text.size()) +
            " bytes long; its field holds at most " + std::to_string(fieldLength) + ".";
    return false;
  }
  for (std::size_t i = 0; i < fieldLength; ++i) {
    image[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
  }
  return true;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DefaultLoaderText(unsigned sizeMiB) {
  return sizeMiB == 2 ? "ZAzizud2 ZIRIVID2.01" : "TAVIX LOADER 1M 1.00";
}

std::string DefaultDescription() {
  using namespace std::string_literals;
  return "TAVIX   "s + '\0' + "ZWR2040 DVD-RW  "s + '\0' + "2.10"s;
}

bool BuildSyntheticImage(const SyntheticImageOptions& options, std::vector<std::uint8_t>& image,
                         std::string& error) {
  if (options.sizeMiB != 1 && options.sizeMiB != 2) {
    error = "The image size must be 1 or 2 MiB, not " + std::to_string(options.sizeMiB) + ".";
    return false;
  }
  std::vector<std::uint8_t> bytes(std::size_t{options.sizeMiB} * kMiB);
  SplitMix64 random(options.seed);
  for (std::size_t i = 0; i < bytes.size(); i += 8) {
    std::uint64_t value = random.Next();
    for (std::size_t j = 0; j < 8; ++j) {
      bytes[i + j] = static_cast<std::uint8_t>(value & 0xFFu);
      value >>= 8;
    }
  }

  const std::string loader = options.loader.value_or(DefaultLoaderText(options.sizeMiB));
  const std::string description = options.description.value_or(
      options.defaultDescription ? DefaultDescription() : std::string());
  if (!PlaceField(bytes, kLoaderIdentityOffset, kLoaderTextLength, loader, "The loader text",
                  error) ||
      !PlaceField(bytes, kTypeCodeOffset, kTypeCodeLength, options.typeCode, "The type code",
                  error) ||
      !PlaceField(bytes, kDescriptionOffset, kDescriptionLength, description, "The description",
                  error)) {
    return false;
  }
  image = std::move(bytes);
  return true;
}

bool DecodeTextEscapes(const std::string& text, std::string& bytes, std::string& error) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      decoded.push_back(text[i]);
      continue;
    }
    if (i + 1 >= text.size()) {
      error = "The text \"" + text + "\" ends with a lone backslash.";
      return false;
    }
    const char kind = text[++i];
    if (kind == '\\') {
      decoded.push_back('\\');
    } else if (kind == '0') {
      decoded.push_back('\0');
    } else if (kind == 'x' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
               HexDigitValue(text[i + 2]) >= 0) {
      decoded.push_back(
          static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
      i += 2;
    } else {
      error = "The text \"" + text + "\" holds an escape other than \\xHH, \\0 or \\\\.";
      return false;
    }
  }
  bytes = std::move(decoded);
  return true;
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string& error) {
  errno = 0;
  std::FILE* stream = std::fopen(path.c_str(), "wb");
  if (stream == nullptr) {
    error = "Cannot create \"" + path + "\": " + std::strerror(errno) + ".";
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  const int writeCause = errno;
  const bool closed = std::fclose(stream) == 0;
  if (!written || !closed) {
    error = "Cannot write \"" + path + "\": " + std::strerror(written ? errno : writeCause) + ".";
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace drivesmith
