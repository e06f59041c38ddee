// The running program's own file: a real process whose file is renamed over
// or renamed away between the header read and the load must still flash the
// image whose header it showed, or fail before any block is sent.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
#include "tools/imagegen/SyntheticImage.h"

extern char** environ;

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

// A child process with its standard input and output on pipes.
class Child {
 public:
  explicit Child(std::vector<std::string> arguments) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = ::fdopen(out[0], "r");
  }
  ~Child() {
    if (input_ >= 0) ::close(input_);
    if (output_ != nullptr) std::fclose(output_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0 && output_ != nullptr; }
  std::string ReadLine() {
    std::string line;
    for (int c; (c = std::fgetc(output_)) != EOF && c != '\n';) line.push_back(char(c));
    return line;
  }
  void WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    EXPECT_EQ(::write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // The rest of the output as "key value" lines; the exit status.
  std::multimap<std::string, std::string> Finish(int& status) {
    std::multimap<std::string, std::string> lines;
    for (std::string line; !(line = ReadLine()).empty();) {
      const std::size_t blank = line.find(' ');
      lines.emplace(line.substr(0, blank),
                    blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return lines;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::FILE* output_ = nullptr;
};

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
    Child child(arguments);
    ASSERT_TRUE(child.Started());
    const std::string header = child.ReadLine();
    ASSERT_EQ(header.rfind("header ", 0), 0u) << header;

    if (row.change == Change::RenameOver) {
      ASSERT_EQ(std::rename(staged.c_str(), path.c_str()), 0);
    } else {
      ASSERT_EQ(std::rename(path.c_str(), folder.File("drivesmith.old").c_str()), 0);
    }
    child.WriteLine("go");
    int status = 0;
    const auto report = child.Finish(status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

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
