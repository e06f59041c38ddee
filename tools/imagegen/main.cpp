// drivesmith-imagegen: writes a synthetic firmware image.

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/imagegen/SyntheticImage.h"

namespace {

constexpr const char* kUsage =
    "Usage: drivesmith-imagegen --size 1|2 --seed N [--loader TEXT] [--type-code TEXT]\n"
    "                           [--description TEXT] OUTPUT\n"
    "Texts may hold the escapes \\xHH, \\0 and \\\\.\n";

int Fail(const std::string& message) {
  std::cerr << "drivesmith-imagegen: " << message << '\n';
  return 1;
}

int UsageError(const std::string& message) {
  std::cerr << "drivesmith-imagegen: " << message << '\n' << kUsage;
  return 2;
}

bool ParseSeed(const std::string& text, std::uint64_t& seed) {
  if (text.empty() || text[0] < '0' || text[0] > '9') {
    return false;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || end == nullptr || *end != '\0') {
    return false;
  }
  seed = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  drivesmith::SyntheticImageOptions options;
  bool haveSize = false;
  bool haveSeed = false;
  std::string output;
  std::string error;

  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (argument.starts_with("--")) {
      if (i + 1 >= argc) {
        return UsageError("option " + std::string(argument) + " needs a value.");
      }
      const std::string value = argv[++i];
      std::string bytes;
      if (argument == "--size") {
        if (value != "1" && value != "2") {
          return UsageError("--size must be 1 or 2, not \"" + value + "\".");
        }
        options.sizeMiB = value == "1" ? 1u : 2u;
        haveSize = true;
      } else if (argument == "--seed") {
        if (!ParseSeed(value, options.seed)) {
          return UsageError("--seed needs an unsigned 64-bit number, not \"" + value + "\".");
        }
        haveSeed = true;
      } else if (argument == "--loader" || argument == "--type-code" ||
                 argument == "--description") {
        if (!drivesmith::DecodeTextEscapes(value, bytes, error)) {
          return UsageError(error);
        }
        if (argument == "--loader") {
          options.loader = bytes;
        } else if (argument == "--type-code") {
          options.typeCode = bytes;
        } else {
          options.description = bytes;
        }
      } else {
        return UsageError("unknown option " + std::string(argument) + ".");
      }
    } else if (output.empty()) {
      output = argument;
    } else {
      return UsageError("only one OUTPUT may be given.");
    }
  }
  if (!haveSize || !haveSeed || output.empty()) {
    return UsageError("--size, --seed and OUTPUT are required.");
  }

  std::vector<std::uint8_t> image;
  if (!drivesmith::BuildSyntheticImage(options, image, error)) {
    return Fail(error);
  }
  if (!drivesmith::WriteFileBytes(output, image, error)) {
    return Fail(error);
  }
  return 0;
}
