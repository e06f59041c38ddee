// Packing a program file on Windows (under Wine here): bytes copied without
// any text translation, an existing output replaced in one step, an output
// that is an input under another spelling or a folder refused, and no
// temporary left behind when the output cannot be replaced.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/image/TempFolder.h"
#include "tools/pack/ImagePacker.h"

namespace drivesmith {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

// A program and a one-MiB image whose bytes include line ends and the
// end-of-file mark that text mode would translate or stop at.
struct PackFolder {
  PackFolder() {
    WriteBytes(program, programBytes);
    WriteBytes(image, imageBytes);
  }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing_support::TempFolder folder;
  std::string program = folder.File("program");
  std::string image = folder.File("image");
  std::string output = folder.File("output");
  Bytes programBytes = testing_support::ProgramBytes(4096);
  Bytes imageBytes = testing_support::ProgramBytes(kMiB);
};

TEST(Win32PackProgramFileTest, ReplacesAnExistingOutputWithTheExactBytes) {
  PackFolder pack;
  WriteBytes(pack.output, Bytes(3 * kMiB, 0x55));
  std::string error;
  ASSERT_TRUE(PackProgramFile(pack.program, pack.image, pack.output, error)) << error;
  Bytes packed = pack.programBytes;
  packed.insert(packed.end(), pack.imageBytes.begin(), pack.imageBytes.end());
  // 4096 = 0x001000 bytes of program, then 1 MiB of image.
  packed.insert(packed.end(), {0x00, 0x10, 0x00, 0x01});
  EXPECT_EQ(ReadBytes(pack.output), packed);
  EXPECT_EQ(pack.Names(), (std::vector<std::string>{"image", "output", "program"}));
}

TEST(Win32PackProgramFileTest, RefusesAnInputUnderAnotherSpellingOrAFolderAsTheOutput) {
  PackFolder pack;
  const std::string folder = pack.folder.Path().string();
  const std::string same = "\" is the same file as the ";
  const struct {
    std::string output;
    std::string refusal;  // after "The output \"" and the output
  } rows[] = {{folder + "/program", same + "program file; choose another output."},
              {folder + "\\.\\program", same + "program file; choose another output."},
              {folder + "\\..\\" + pack.folder.Path().filename().string() + "\\image",
               same + "image file; choose another output."},
              {folder + "\\IMAGE", same + "image file; choose another output."},
              {folder, "\" is a directory; name a file."}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.output);
    std::string error;
    EXPECT_FALSE(PackProgramFile(pack.program, pack.image, row.output, error));
    EXPECT_EQ(error, "The output \"" + row.output + row.refusal);
  }
  EXPECT_EQ(ReadBytes(pack.program), pack.programBytes);
  EXPECT_EQ(ReadBytes(pack.image), pack.imageBytes);
  EXPECT_EQ(pack.Names(), (std::vector<std::string>{"image", "program"}));
}

// An output another program holds open cannot be replaced: it keeps its old
// bytes, and the new contents do not stay behind as a temporary.
TEST(Win32PackProgramFileTest, AnOutputThatCannotBeReplacedKeepsItsBytesAndNoTemporaryStays) {
  PackFolder pack;
  const Bytes old(100, 0x66);
  WriteBytes(pack.output, old);
  std::ifstream holder(pack.output, std::ios::binary);
  ASSERT_TRUE(holder.is_open());
  std::string error;
  EXPECT_FALSE(PackProgramFile(pack.program, pack.image, pack.output, error));
  EXPECT_EQ(error.rfind("Cannot replace \"" + pack.output + "\": ", 0), 0u) << error;
  holder.close();
  EXPECT_EQ(ReadBytes(pack.output), old);
  EXPECT_EQ(pack.Names(), (std::vector<std::string>{"image", "output", "program"}));
}

}  // namespace
}  // namespace drivesmith
