// drivesmith-pack: appends a firmware image and its trailer to a program file.

#include <iostream>
#include <string>
#include <string_view>

#include "tools/pack/ImagePacker.h"

namespace {
constexpr const char* kUsage =
    "Usage: drivesmith-pack PROGRAM IMAGE OUTPUT\n"
    "Writes OUTPUT as PROGRAM, then IMAGE (1 to 255 whole MiB), then the trailer.\n";
}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 4) {
    std::cerr << "drivesmith-pack: expected three paths.\n" << kUsage;
    return 2;
  }
  std::string error;
  if (!drivesmith::PackProgramFile(argv[1], argv[2], argv[3], error)) {
    std::cerr << "drivesmith-pack: " << error << '\n';
    return 1;
  }
  return 0;
}
