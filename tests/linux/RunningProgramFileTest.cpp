// The running program's own file: a real process whose file is renamed over
// or renamed away between the header read and the load must still flash the
// image whose header it showed, or fail before any block is sent.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/RunningProgramFile.h"
#include "tests/image/TempFolder.h"
#include "tests/linux/ChildProcess.h"
#include "tools/imagegen/SyntheticImage.h"

namespace drivesmith {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::TempFolder;

// The report names the file by the path the caller has for it, never by the
// link that reaches it.
TEST(RunningProgramFileTest, OpensThroughTheLinkAndReportsUnderTheRealPath) {
  TempFolder folder;
  const std::string target = folder.File("drivesmith"), link = folder.File("exe");
  testing_support::WriteBytes(target, {1, 2, 3});
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  RunningProgramFile file(link);
  EXPECT_EQ(file.Path(), target);
  std::string failure;
  auto opened = file.Open("/some/other/name", failure);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->QueryLength(), 3u);

  ASSERT_EQ(std::remove(target.c_str()), 0);
  EXPECT_EQ(file.Open(target, failure), nullptr);
  EXPECT_EQ(failure, "Cannot open file \"" + target + "\": No such file or directory.");
  EXPECT_EQ(RunningProgramFile(folder.File("no-link")).Path(), "");
}

std::uint64_t Digest(const Bytes& bytes) {
  std::uint64_t digest = 14695981039346656037ull;
  for (const std::uint8_t byte : bytes) digest = (digest ^ byte) * 1099511628211ull;
  return digest;
}

// The test program followed by a one-megabyte image and the trailer;
// `padding` extra bytes between them shift the image.
Bytes PackedHelper(std::uint64_t seed, std::size_t padding, Bytes& image) {
  Bytes program = testing_support::ReadBytes(DRIVESMITH_RUNNING_PROGRAM_UPDATE);
  EXPECT_GT(program.size(), 0u);
  program.resize(program.size() + padding, 0);
  SyntheticImageOptions options;
  options.sizeMiB = 1;
  options.seed = seed;
  std::string error;
  EXPECT_TRUE(BuildSyntheticImage(options, image, error)) << error;
  const std::size_t offset = program.size();
  EXPECT_LT(offset, 0x1000000u) << "the trailer's offset has 24 bits";
  program.insert(program.end(), image.begin(), image.end());
  for (const int shift : {16, 8, 0}) program.push_back(std::uint8_t(offset >> shift));
  program.push_back(1);
  return program;
}

void WriteProgram(const std::string& path, const Bytes& bytes) {
  testing_support::WriteBytes(path, bytes);
  ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

// The rest of a report as "key value" lines.
std::multimap<std::string, std::string> ReadReport(testing_support::ChildProcess& child) {
  std::multimap<std::string, std::string> lines;
  for (std::string line; !(line = child.ReadLine()).empty();) {
    const std::size_t blank = line.find(' ');
    lines.emplace(line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
  }
  return lines;
}

TEST(RunningProgramFileTest, AFileReplacedWhileTheWizardIsOpenNeverFlashesAShiftedImage) {
  enum class Change { RenameOver, RenameAway };
  const struct {
    const char* name;
    bool byPath;  // the file opened by the name it had at start-up
    Change change;
    int state;
    std::size_t transfers;
    bool openFailureBox;
  } rows[] = {
      {"running file, renamed over", false, Change::RenameOver, 11, 342, false},
      {"running file, renamed away", false, Change::RenameAway, 11, 342, false},
      {"by name, renamed over", true, Change::RenameOver, 12, 0, false},
      {"by name, renamed away", true, Change::RenameAway, 12, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    const std::string path = folder.File("drivesmith");
    Bytes image, otherImage;
    WriteProgram(path, PackedHelper(1, 0, image));
    // A re-pack: another image, 4 KiB further into the file.
    const std::string staged = folder.File(".drivesmith.new");
    WriteProgram(staged, PackedHelper(2, 4096, otherImage));

    std::vector<std::string> arguments{path};
    if (row.byPath) arguments.emplace_back("--by-path");
    testing_support::ChildProcess child(arguments);
    ASSERT_TRUE(child.Started());
    const std::string header = child.ReadLine();
    ASSERT_EQ(header.rfind("header ", 0), 0u) << header;

    if (row.change == Change::RenameOver) {
      ASSERT_EQ(std::rename(staged.c_str(), path.c_str()), 0);
    } else {
      ASSERT_EQ(std::rename(path.c_str(), folder.File("drivesmith.old").c_str()), 0);
    }
    ASSERT_TRUE(child.WriteLine("go"));
    const auto report = ReadReport(child);
    const auto ended = child.Wait();
    ASSERT_EQ(ended.exitStatus, 0) << ended.errorOutput;

    ASSERT_EQ(report.count("state"), 1u);
    EXPECT_EQ(report.find("state")->second, std::to_string(row.state));
    EXPECT_EQ(report.find("transfers")->second, std::to_string(row.transfers));
    if (row.state == 11) {
      std::ostringstream expected;
      expected << std::hex << std::setw(16) << std::setfill('0') << Digest(image);
      EXPECT_EQ(report.find("flash")->second, expected.str()) << "not the image that was shown";
    }
    const std::string box = "Cannot open file \"" + path + "\": No such file or directory.";
    EXPECT_EQ(report.count("box"), row.openFailureBox ? 1u : 0u);
    if (row.openFailureBox) {
      EXPECT_EQ(report.find("box")->second, box);
    }
  }
}

}  // namespace
}  // namespace drivesmith
