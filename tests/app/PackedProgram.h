#pragma once
// A real program file on disk that carries a synthetic firmware image, built
// the way the packaging tool builds the shipped program, in a folder of its
// own that is removed again.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/ProgramFile.h"
#include "tools/imagegen/SyntheticImage.h"
#include "tools/pack/ImagePacker.h"

namespace drivesmith::testing_support {

class PackedProgram {
 public:
  // `sizeMiB` 1 or 2; `typeCode` the image's type code.
  explicit PackedProgram(unsigned sizeMiB, std::string typeCode = "M7EH00",
                         std::uint64_t seed = 11) {
    std::random_device entropy;
    folder_ = std::filesystem::temp_directory_path() /
              ("drivesmith-packed-" + std::to_string(entropy()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder_);

    SyntheticImageOptions options;
    options.sizeMiB = sizeMiB;
    options.seed = seed;
    options.typeCode = std::move(typeCode);
    if (!BuildSyntheticImage(options, image_, error_)) {
      return;
    }
    const auto program = folder_ / "program.bin";
    const auto image = folder_ / "image.bin";
    path_ = (folder_ / "drivesmith").string();
    {
      std::ofstream out(program, std::ios::binary);
      const std::string bytes(4096, '\x7f');
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (!WriteFileBytes(image.string(), image_, error_)) {
      return;
    }
    ready_ = PackProgramFile(program.string(), image.string(), path_, error_);
    file_ = std::make_unique<DiskProgramFile>(path_);
  }
  ~PackedProgram() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  PackedProgram(const PackedProgram&) = delete;
  PackedProgram& operator=(const PackedProgram&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  ProgramFile& File() { return *file_; }
  const std::vector<std::uint8_t>& Image() const { return image_; }

 private:
  std::filesystem::path folder_;
  std::string path_;
  std::vector<std::uint8_t> image_;
  std::unique_ptr<DiskProgramFile> file_;
  std::string error_;
  bool ready_ = false;
};

}  // namespace drivesmith::testing_support
