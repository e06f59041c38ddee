#pragma once
// Builds a program file that carries a firmware image: the program's bytes,
// then the image's bytes, then the four-byte trailer that locates the image.

#include <cstdint>
#include <string>

namespace drivesmith {

// The trailer's 24-bit image offset limits the program's length.
inline constexpr std::uint64_t kMaxPackedProgramLength = 0xFFFFFF;
// The trailer's 8-bit size in MiB limits the image's length.
inline constexpr std::uint32_t kMaxPackedImageSizeMiB = 255;

// Writes `outputPath` from `programPath` and `imagePath`. The output is built
// beside it and put in place in one step once it is complete and flushed to
// the device (see ReplacementFile), and it gets the program's permission
// bits. The inputs are never modified, and only regular files are opened.
// Returns false and explains in `error` when an input is unfit (not a
// regular file, an empty program, an image of the wrong length), the output
// is a directory or one of the inputs, or the file system fails.
bool PackProgramFile(const std::string& programPath, const std::string& imagePath,
                     const std::string& outputPath, std::string& error);

}  // namespace drivesmith
