// drivesmith-pack run as a process: the layout it writes, and the refusals
// that leave every file as it was.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/image/TempFolder.h"

extern char** environ;

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
constexpr std::size_t kMiB = 1048576;

// The tool's exit status; -1 when it did not end normally.
int Pack(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), DRIVESMITH_PACK_PATH);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PackToolTest : public ::testing::Test {
 protected:
  PackToolTest() {
    WriteBytes(program_, testing_support::ProgramBytes(0x2C000));
    WriteBytes(image_, testing_support::ProgramBytes(2 * kMiB + 5));
    fs::resize_file(image_, 2 * kMiB);
  }

  testing_support::TempFolder folder_;
  std::string program_ = folder_.File("program");
  std::string image_ = folder_.File("image.bin");
};

TEST_F(PackToolTest, WritesProgramImageAndTrailer) {
  ASSERT_EQ(Pack({program_, image_, folder_.File("packed")}), 0);
  std::vector<std::uint8_t> expected = ReadBytes(program_);
  const std::vector<std::uint8_t> image = ReadBytes(image_);
  expected.insert(expected.end(), image.begin(), image.end());
  expected.insert(expected.end(), {0x02, 0xC0, 0x00, 0x02});
  EXPECT_EQ(ReadBytes(folder_.File("packed")), expected);
}

TEST_F(PackToolTest, RefusalsLeaveEveryFileAsItWas) {
  const std::string odd = folder_.File("odd.bin");
  fs::create_symlink("program", folder_.File("link"));
  fs::create_hard_link(image_, folder_.File("hard"));
  const std::string roundabout = (folder_.Path() / ".." / folder_.Path().filename()).string();
  const struct {
    std::uintmax_t imageLength;  // of odd.bin, the image for rows that pack it
    std::vector<std::string> arguments;
  } rows[] = {{0, {program_, odd, folder_.File("out")}},
              {kMiB - 1, {program_, odd, folder_.File("out")}},
              {kMiB + 1, {program_, odd, folder_.File("out")}},
              {256 * kMiB, {program_, odd, folder_.File("out")}},
              {kMiB, {program_, image_, program_}},
              {kMiB, {program_, image_, folder_.File("./program")}},
              {kMiB, {program_, image_, roundabout + "/image.bin"}},
              {kMiB, {program_, image_, folder_.File("link")}},
              {kMiB, {program_, image_, folder_.File("hard")}}};
  const std::vector<std::uint8_t> program = ReadBytes(program_);
  const std::vector<std::uint8_t> image = ReadBytes(image_);
  auto entries = [this] { return std::distance(fs::directory_iterator(folder_.Path()), {}); };
  const auto entriesBefore = entries() + 1;  // with odd.bin
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.back() + " with an image of " + std::to_string(row.imageLength));
    WriteBytes(odd, {});
    fs::resize_file(odd, row.imageLength);

    EXPECT_GT(Pack(row.arguments), 0);

    EXPECT_EQ(entries(), entriesBefore) << "no file was left behind";
    EXPECT_EQ(ReadBytes(program_), program);
    EXPECT_EQ(ReadBytes(image_), image);
    EXPECT_EQ(fs::file_size(odd), row.imageLength);
  }
}

}  // namespace
}  // namespace drivesmith
