#pragma once
// Program files for the image tests, written to disk the way the packaging
// tool writes them, or by hand where a test needs a broken layout.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/image/TempFolder.h"
#include "tools/imagegen/SyntheticImage.h"
#include "tools/pack/ImagePacker.h"

namespace drivesmith::testing_support {

// A synthetic image packed behind `programLength` program bytes. `image`
// receives the image bytes.
inline std::string PackedProgramFile(const TempFolder& folder, const std::string& name,
                                     std::size_t programLength,
                                     const SyntheticImageOptions& options,
                                     std::vector<std::uint8_t>* image = nullptr) {
  std::vector<std::uint8_t> imageBytes;
  std::string error;
  if (!BuildSyntheticImage(options, imageBytes, error)) {
    ADD_FAILURE() << error;
    return {};
  }
  const std::string programPath = folder.File(name + ".program");
  const std::string imagePath = folder.File(name + ".image");
  const std::string outputPath = folder.File(name);
  WriteBytes(programPath, ProgramBytes(programLength));
  WriteBytes(imagePath, imageBytes);
  if (!PackProgramFile(programPath, imagePath, outputPath, error)) {
    ADD_FAILURE() << error;
    return {};
  }
  if (image != nullptr) {
    *image = std::move(imageBytes);
  }
  return outputPath;
}

// `body` followed by `trailer`, with no check that they fit together.
inline std::string RawProgramFile(const TempFolder& folder, const std::string& name,
                                  std::vector<std::uint8_t> body,
                                  const std::array<std::uint8_t, kTrailerLength>& trailer) {
  body.insert(body.end(), trailer.begin(), trailer.end());
  const std::string path = folder.File(name);
  WriteBytes(path, body);
  return path;
}

}  // namespace drivesmith::testing_support
