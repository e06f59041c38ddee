#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/image/TempFolder.h"
#include "tests/tools/ToolProcess.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
using testing_support::ProgramBytes;
using testing_support::ReadBytes;
using testing_support::RunTool;
using testing_support::TempFolder;
using testing_support::ToolResult;
using testing_support::WriteBytes;

constexpr std::size_t kMiB = 1048576;

// What a file looked like, to show that a tool left it alone.
struct FileSnapshot {
  std::vector<std::uint8_t> bytes;
  mode_t mode = 0;
  std::int64_t modified = 0;
  bool operator==(const FileSnapshot&) const = default;
};

FileSnapshot Snapshot(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return {ReadBytes(path), status.st_mode,
          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Creates a file of `length` bytes without writing them (zeros).
void SparseFile(const std::string& path, std::uintmax_t length) {
  WriteBytes(path, {});
  fs::resize_file(path, length);
}

class PackToolTest : public ::testing::Test {
 protected:
  PackToolTest() {
    WriteBytes(program_, ProgramBytes(0x2C000));
    ::chmod(program_.c_str(), 0755);
    const ToolResult made =
        RunTool(DRIVESMITH_IMAGEGEN_PATH, {"--size", "2", "--seed", "3", image_}, folder_.Path());
    EXPECT_EQ(made.exitCode, 0) << made.err;
  }

  ToolResult Pack(const std::vector<std::string>& arguments) {
    return RunTool(DRIVESMITH_PACK_PATH, arguments, folder_.Path().string());
  }

  // Runs the tool, expects a refusal that touches nothing, and returns its
  // message.
  std::string ExpectRefusal(const std::vector<std::string>& arguments) {
    const std::set<std::string> before = Names(folder_.Path());
    const FileSnapshot program = Snapshot(program_);
    const FileSnapshot image = Snapshot(image_);

    const ToolResult result = Pack(arguments);

    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err, "");
    EXPECT_EQ(Names(folder_.Path()), before);
    EXPECT_TRUE(Snapshot(program_) == program) << "program changed";
    EXPECT_TRUE(Snapshot(image_) == image) << "image changed";
    return result.err;
  }

  TempFolder folder_;
  std::string program_ = folder_.File("program");
  std::string image_ = folder_.File("image.bin");
  std::string output_ = folder_.File("packed");
};

TEST_F(PackToolTest, WritesProgramImageAndTrailer) {
  const FileSnapshot program = Snapshot(program_);
  const FileSnapshot image = Snapshot(image_);

  const ToolResult result = Pack({program_, image_, output_});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::uint8_t> expected = program.bytes;
  expected.insert(expected.end(), image.bytes.begin(), image.bytes.end());
  expected.insert(expected.end(), {0x02, 0xC0, 0x00, 0x02});
  EXPECT_EQ(ReadBytes(output_), expected);
  EXPECT_EQ(fs::file_size(output_), 0x22C004u);
  EXPECT_TRUE(Snapshot(program_) == program);
  EXPECT_TRUE(Snapshot(image_) == image);
  EXPECT_EQ(Names(folder_.Path()), (std::set<std::string>{"program", "image.bin", "packed"}));
}

TEST_F(PackToolTest, OutputKeepsTheProgramsPermissions) {
  ASSERT_EQ(Pack({program_, image_, output_}).exitCode, 0);
  EXPECT_EQ(fs::status(output_).permissions(), fs::perms(0755));

  ::chmod(program_.c_str(), 0640);
  ASSERT_EQ(Pack({program_, image_, output_}).exitCode, 0);
  EXPECT_EQ(fs::status(output_).permissions(), fs::perms(0640));
}

TEST_F(PackToolTest, LargestProgramTheTrailerCanPlace) {
  const std::string big = folder_.File("big");
  SparseFile(big, 0xFFFFFF);
  const std::string small = folder_.File("small.bin");
  ASSERT_EQ(RunTool(DRIVESMITH_IMAGEGEN_PATH, {"--size", "1", "--seed", "1", small}, folder_.Path())
                .exitCode,
            0);

  const ToolResult result = Pack({big, small, output_});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(fs::file_size(output_), 0xFFFFFFu + kMiB + 4);
  std::vector<std::uint8_t> packed = ReadBytes(output_);
  EXPECT_EQ(std::vector<std::uint8_t>(packed.end() - 4, packed.end()),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x01}));
}

TEST_F(PackToolTest, RefusesProgramTooLongForTheTrailer) {
  const std::string big = folder_.File("big");
  SparseFile(big, 0x1000000);
  EXPECT_NE(ExpectRefusal({big, image_, output_}).find("\"" + big + "\""), std::string::npos);
}

TEST_F(PackToolTest, RefusesImageThatIsNotAWholeNumberOfMiB) {
  const std::uintmax_t refusedLengths[] = {0, kMiB - 1, kMiB + 1, 256 * kMiB};
  for (const std::uintmax_t length : refusedLengths) {
    const std::string odd = folder_.File("odd.bin");
    SparseFile(odd, length);
    const std::string message = ExpectRefusal({program_, odd, output_});
    EXPECT_NE(message.find("\"" + odd + "\""), std::string::npos) << length;
    fs::remove(odd);
  }
}

TEST_F(PackToolTest, RefusesOutputThatIsAnInput) {
  const std::string link = folder_.File("link");
  fs::create_symlink("program", link);
  const std::string hardLink = folder_.File("hard");
  fs::create_hard_link(image_, hardLink);
  const std::string dotted = (folder_.Path() / "." / "program").string();
  const std::string roundabout =
      (folder_.Path() / ".." / folder_.Path().filename() / "image.bin").string();

  for (const std::string& output : {program_, image_, dotted, roundabout, link, hardLink}) {
    const std::string message = ExpectRefusal({program_, image_, output});
    EXPECT_NE(message.find("same file"), std::string::npos) << output << ": " << message;
  }
}

TEST_F(PackToolTest, RefusesRelativeSpellingOfAnInputFromTheWorkingFolder) {
  // "./program" seen from inside the folder.
  const std::set<std::string> before = Names(folder_.Path());
  const FileSnapshot program = Snapshot(program_);
  const fs::path previous = fs::current_path();
  fs::current_path(folder_.Path());
  const ToolResult result = Pack({"program", "image.bin", "./program"});
  fs::current_path(previous);

  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find("same file"), std::string::npos) << result.err;
  EXPECT_TRUE(Snapshot(program_) == program);
  EXPECT_EQ(Names(folder_.Path()), before);
}

TEST_F(PackToolTest, RefusesMissingAndUnfitInputs) {
  ExpectRefusal({folder_.File("missing"), image_, output_});
  ExpectRefusal({program_, folder_.File("missing"), output_});
  ExpectRefusal({folder_.Path().string(), image_, output_});
  ExpectRefusal({program_, image_, folder_.File("no-such-folder/packed")});
}

TEST_F(PackToolTest, RefusesWrongUsage) {
  ExpectRefusal({});
  ExpectRefusal({program_, image_});
  ExpectRefusal({program_, image_, output_, output_ + "2"});
  ExpectRefusal({"", image_, output_});
}

}  // namespace
}  // namespace drivesmith
