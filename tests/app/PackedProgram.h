#pragma once
// A real program file on disk that carries a synthetic firmware image, packed
// the way the packaging tool packs the shipped program, in a folder of its own
// that is removed again. Free of any test framework: the Qt tests use it too.

#include <filesystem>
#include <string>
#include <vector>

#include "image/ProgramFile.h"
#include "tests/support/UniqueFolder.h"
#include "tools/imagegen/SyntheticImage.h"
#include "tools/pack/ImagePacker.h"

namespace drivesmith::testing_support {

class PackedProgram {
 public:
  // `sizeMiB` 1 or 2; Ready() tells whether the file could be built.
  explicit PackedProgram(unsigned sizeMiB, std::string typeCode = "M7EH00") {
    SyntheticImageOptions options;
    options.sizeMiB = sizeMiB;
    options.typeCode = std::move(typeCode);
    const std::string program = (folder_ / "program").string(),
                      image = (folder_ / "image").string();
    ready_ = !folder_.empty() && BuildSyntheticImage(options, image_, error_) &&
             WriteFileBytes(program, std::vector<std::uint8_t>(4096, 0x7F), error_) &&
             WriteFileBytes(image, image_, error_) &&
             PackProgramFile(program, image, Path(), error_);
  }
  ~PackedProgram() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  PackedProgram(const PackedProgram&) = delete;
  PackedProgram& operator=(const PackedProgram&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Error() const { return error_; }
  std::string Path() const { return (folder_ / "drivesmith").string(); }
  ProgramFile& File() { return file_; }
  const std::vector<std::uint8_t>& Image() const { return image_; }

 private:
  static std::filesystem::path MakeFolder() {
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path() : MakeUniqueFolder(temporary, "drivesmith-");
  }

  std::filesystem::path folder_ = MakeFolder();
  DiskProgramFile file_{Path()};
  std::vector<std::uint8_t> image_;
  std::string error_;
  bool ready_ = false;
};

}  // namespace drivesmith::testing_support
