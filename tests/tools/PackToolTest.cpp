// drivesmith-pack run as a process: the layout it writes, the refusals that
// leave every file as it was, inputs that change while they are packed, the
// order and failures of its flushes, and what a killed run leaves behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/image/TempFolder.h"
#include "tests/linux/ChildProcess.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kMiB = 1048576;
// A run that has not ended after this long waits for something that never
// comes (a FIFO's writer); it is killed and counted as hung.
constexpr int kHangLimitMilliseconds = 30000;

using Outcome = testing_support::ChildProcess::Ended;

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

#ifdef DRIVESMITH_STRACE_PATH
// The tool under strace, which records the calls `traced` to `trace` (with
// the path behind each descriptor) and performs `inject`, if given.
std::vector<std::string> UnderStrace(const std::string& trace, const std::string& traced,
                                     const std::string& inject = {}) {
  const char* options = std::getenv("ASAN_OPTIONS");  // no leak checker under a tracer
  const std::string untraced =
      std::string("ASAN_OPTIONS=") + (options ? options : "") + ":detect_leaks=0";
  std::vector<std::string> command = {
      DRIVESMITH_STRACE_PATH, "-f", "-qq", "-y", "-E", untraced, "-o", trace, "-e",
      "trace=" + traced};
  if (!inject.empty()) command.insert(command.end(), {"-e", "inject=" + inject});
  command.push_back(DRIVESMITH_PACK_PATH);
  return command;
}
#endif

class PackToolTest : public ::testing::Test {
 protected:
  PackToolTest() {
    WriteBytes(program_, testing_support::ProgramBytes(0x2C000));
    fs::permissions(program_, fs::perms::owner_all | fs::perms::group_read);
    WriteBytes(image_, testing_support::ProgramBytes(2 * kMiB + 5));
    fs::resize_file(image_, 2 * kMiB);
  }

  Outcome Pack(std::vector<std::string> arguments, std::vector<std::string> command = {}) const {
    if (command.empty()) command = {DRIVESMITH_PACK_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return testing_support::ChildProcess(command).Wait(kHangLimitMilliseconds);
  }

  // What a correct output holds.
  Bytes Packed() const {
    Bytes expected = ReadBytes(program_);
    const Bytes image = ReadBytes(image_);
    expected.insert(expected.end(), image.begin(), image.end());
    expected.insert(expected.end(), {0x02, 0xC0, 0x00, 0x02});
    return expected;
  }

  testing_support::TempFolder folder_;
  std::string program_ = folder_.File("program");
  std::string image_ = folder_.File("image.bin");
  std::string output_ = folder_.File("packed");
};

TEST_F(PackToolTest, WritesProgramImageAndTrailer) {
  // Inputs reached through symbolic links are packed as the files they name.
  fs::create_symlink("program", folder_.File("program-link"));
  fs::create_symlink(image_, folder_.File("image-link"));
  // Output names up to the longest a folder entry may have.
  for (const std::size_t nameLength : {6u, 247u, 248u, 255u}) {
    const std::string output = folder_.File(std::string(nameLength, 'p'));
    SCOPED_TRACE("an output name of " + std::to_string(nameLength) + " bytes");
    const bool linked = nameLength == 6;
    const Outcome outcome = Pack({linked ? folder_.File("program-link") : program_,
                                  linked ? folder_.File("image-link") : image_, output});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.errorOutput;
    EXPECT_EQ(ReadBytes(output), Packed());
    EXPECT_EQ(fs::status(output).permissions(), fs::perms::owner_all | fs::perms::group_read);
    fs::remove(output);
  }
  EXPECT_EQ(Entries(folder_.Path()),
            (std::set<std::string>{"program", "image.bin", "program-link", "image-link"}));
}

// The longest program the trailer can place an image after, and the largest
// image it can measure (the inputs are sparse files of zeros).
TEST_F(PackToolTest, PacksTheLargestProgramAndImage) {
  fs::resize_file(program_, 0xFFFFFF);
  fs::resize_file(image_, 255 * kMiB);
  const Outcome outcome = Pack({program_, image_, output_});
  ASSERT_EQ(outcome.exitStatus, 0) << outcome.errorOutput;
  ASSERT_EQ(fs::file_size(output_), 0xFFFFFF + 255 * kMiB + 4);
  std::ifstream packed(output_, std::ios::binary);
  Bytes bytes(8);
  packed.seekg(0xFFFFFF - 4).read(reinterpret_cast<char*>(bytes.data()), 8);
  EXPECT_EQ(bytes, (Bytes{0, 0, 0, 0, 7, 138, 13, 144}));  // the program's end, the image's start
  packed.seekg(-4, std::ios::end).read(reinterpret_cast<char*>(bytes.data()), 4);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(PackToolTest, RefusalsLeaveEveryFileAsItWas) {
  const std::string odd = folder_.File("odd.bin");
  const std::string empty = folder_.File("empty");
  const std::string fifo = folder_.File("fifo");
  const std::string directory = folder_.File("directory");
  const std::string tooLong = folder_.File("too-long");
  WriteBytes(empty, {});
  WriteBytes(tooLong, {});
  fs::resize_file(tooLong, 0x1000000);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(directory);
  fs::create_symlink("program", folder_.File("link"));
  fs::create_symlink("fifo", folder_.File("fifo-link"));
  fs::create_symlink("nowhere", folder_.File("dangling"));
  fs::create_hard_link(image_, folder_.File("hard"));
  const std::string roundabout = (folder_.Path() / ".." / folder_.Path().filename()).string();
  const std::string out = folder_.File("out");
  const std::string oddLength = "The image file " + Quoted(odd) + " is ";
  const std::string oddRule = " bytes long; an image must be a whole number of MiB from 1 to 255.";
  const struct {
    std::uintmax_t imageLength;  // of odd.bin, the image for rows that pack it
    std::vector<std::string> arguments;
    std::string message;  // what the refusal says, where a row checks it
  } rows[] = {
      {0, {program_, odd, out}, oddLength + "0" + oddRule},
      {kMiB - 1, {program_, odd, out}, oddLength + "1048575" + oddRule},
      {kMiB + 1, {program_, odd, out}, ""},
      {255 * kMiB + 1, {program_, odd, out}, oddLength + "267386881" + oddRule},
      {256 * kMiB, {program_, odd, out}, oddLength + "268435456" + oddRule},
      {kMiB, {program_, image_, program_}, ""},
      {kMiB, {program_, image_, folder_.File("./program")}, ""},
      {kMiB, {program_, image_, roundabout + "/image.bin"}, ""},
      {kMiB, {program_, image_, folder_.File("link")}, ""},
      {kMiB, {program_, image_, folder_.File("hard")}, ""},
      {kMiB, {fifo, image_, out}, "The program file " + Quoted(fifo) + " is not a regular file."},
      {kMiB, {program_, fifo, out}, "The image file " + Quoted(fifo) + " is not a regular file."},
      {kMiB,
       {folder_.File("fifo-link"), image_, out},
       "The program file " + Quoted(folder_.File("fifo-link")) + " is not a regular file."},
      {kMiB,
       {program_, folder_.File("dangling"), out},
       "Cannot open the image file " + Quoted(folder_.File("dangling")) +
           ": No such file or directory."},
      {kMiB, {empty, image_, out}, "The program file " + Quoted(empty) + " is empty."},
      {kMiB,
       {tooLong, image_, out},
       "The program file " + Quoted(tooLong) +
           " is 16777216 bytes long; the trailer can place an image after at most 16777215 "
           "bytes."},
      {kMiB,
       {program_, image_, directory},
       "The output " + Quoted(directory) + " is a directory; name a file."},
      {kMiB,
       {program_, image_, directory + "/"},
       "The output " + Quoted(directory + "/") + " is a directory; name a file."}};
  const Bytes program = ReadBytes(program_);
  const Bytes image = ReadBytes(image_);
  WriteBytes(odd, {});
  const std::set<std::string> entriesBefore = Entries(folder_.Path());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments[0] + " " + row.arguments[1] + " " + row.arguments[2] +
                 " with an image of " + std::to_string(row.imageLength));
    fs::resize_file(odd, 0);
    fs::resize_file(odd, row.imageLength);

    const Outcome outcome = Pack(row.arguments);

    EXPECT_FALSE(outcome.hung);
    EXPECT_EQ(outcome.exitStatus, 1);
    if (!row.message.empty()) {
      EXPECT_EQ(outcome.errorOutput, "drivesmith-pack: " + row.message + "\n");
    }
    EXPECT_EQ(Entries(folder_.Path()), entriesBefore) << "no file was left behind";
    EXPECT_TRUE(fs::is_empty(directory));
    EXPECT_EQ(ReadBytes(program_), program);
    EXPECT_EQ(ReadBytes(image_), image);
    EXPECT_EQ(fs::file_size(odd), row.imageLength);
  }
}

#ifdef DRIVESMITH_STRACE_PATH
// Another process appends a byte to the program every millisecond while the
// tool runs; each of the tool's reads is held a tenth of a second, so the
// program grows between the tool's measuring it and its reading the end. The output must never
// get a trailer that points at the wrong offset: the tool refuses.
TEST_F(PackToolTest, AnInputThatGrowsWhileItIsPackedIsRefused) {
  const std::set<std::string> entriesBefore = Entries(folder_.Path());
  const pid_t writer = ::fork();
  if (writer == 0) {
    const int fd = ::open(program_.c_str(), O_WRONLY | O_APPEND);
    while (fd >= 0 && ::write(fd, "+", 1) == 1) ::usleep(1000);
    ::_exit(1);
  }
  const std::string trace = folder_.File("calls.txt");
  const Outcome outcome =
      Pack({program_, image_, output_}, UnderStrace(trace, "read", "read:delay_exit=100000"));
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
  EXPECT_EQ(outcome.exitStatus, 1);
  EXPECT_EQ(outcome.errorOutput,
            "drivesmith-pack: " + Quoted(program_) + " changed while it was being packed.\n");
  fs::remove(trace);
  EXPECT_EQ(Entries(folder_.Path()), entriesBefore) << "no file was left behind";
}

// The file is flushed before it takes the output's name, and its folder
// after; told apart by the path strace gives for each descriptor. A folder
// that cannot be flushed (EINVAL) leaves the output in place; any other
// failure of either flush fails the run.
TEST_F(PackToolTest, FlushesTheFileBeforeItTakesItsNameAndTheFolderAfter) {
  const std::string folder = folder_.Path().string();
  const std::string trace = folder_.File("calls.txt");
  const struct {
    const char* inject;
    int exitStatus;
    std::string message;
  } rows[] = {
      {"", 0, ""},
      {"fsync:error=EINVAL:when=2", 0, ""},
      {"fsync:error=EIO:when=2", 1,
       "Wrote " + Quoted(output_) + ", but cannot flush its folder " + Quoted(folder) +
           ": Input/output error."},
      {"fsync:error=EINVAL:when=1", 1, "Cannot write " + Quoted(output_) + ": Invalid argument."},
  };
  for (const bool outputExists : {false, true}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(outputExists ? "replacing an output, " : "a new output, ") +
                   "injected: " + row.inject);
      if (outputExists) WriteBytes(output_, {1, 2, 3});
      const Outcome outcome =
          Pack({program_, image_, output_},
               UnderStrace(trace,
                           "fsync,fdatasync,sync_file_range,rename,renameat,renameat2,link,linkat",
                           row.inject));
      EXPECT_EQ(outcome.exitStatus, row.exitStatus) << outcome.errorOutput;
      EXPECT_EQ(outcome.errorOutput,
                row.message.empty() ? "" : "drivesmith-pack: " + row.message + "\n");
      // The calls in order: the file's flush, its naming, the folder's flush.
      std::ifstream in(trace);
      std::string calls;
      for (std::string line; std::getline(in, line);)
        calls += std::regex_replace(line, std::regex(R"(^\d+ +)"), "") + "\n";
      const std::string at =
          std::regex_replace(folder, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
      const std::regex order(
          "fsync\\(\\d+<" + at + "/.*\\) += 0\n(.*\n)*?(rename|link)\\w*\\(.*\"" + at +
          "/packed\".*\\) += 0\n(.*\n)*?fsync\\(\\d+<" + at + ">\\) += (0|-1 EINVAL)");
      if (row.exitStatus == 0) {
        EXPECT_EQ(ReadBytes(output_), Packed());
        EXPECT_TRUE(std::regex_search(calls, order)) << calls;
      } else if (std::string(row.inject).ends_with("when=1")) {
        // The file's flush failed: the output is as it was.
        EXPECT_EQ(ReadBytes(output_), (outputExists ? Bytes{1, 2, 3} : Bytes{}));
      }
      fs::remove(output_);
    }
  }
}
#endif

TEST_F(PackToolTest, KilledRunLeavesNoPartialFile) {
  const std::set<std::string> entriesBefore = Entries(folder_.Path());
  // The file size limit kills the tool in the middle of writing the output.
  const Outcome killed =
      Pack({program_, image_, output_}, {"prlimit", "--fsize=1048576", DRIVESMITH_PACK_PATH});
  ASSERT_EQ(killed.signal, SIGXFSZ) << killed.errorOutput;

  // What the killed run left behind, if anything, is gone after the next.
  EXPECT_EQ(Pack({program_, image_, output_}).exitStatus, 0);
  EXPECT_EQ(ReadBytes(output_), Packed());
  std::set<std::string> entriesAfter = entriesBefore;
  entriesAfter.insert("packed");
  EXPECT_EQ(Entries(folder_.Path()), entriesAfter);
}

TEST_F(PackToolTest, NextRunRemovesOnlyTheTemporariesNoLiveRunHolds) {
  // Temporaries as a killed run leaves them where the file system has no
  // unnamed files, one held by a live run, and names that only look alike.
  const std::string stale = folder_.File(".drivesmith-pack-Ab3xY9");
  const std::string held = folder_.File(".drivesmith-pack-Live01");
  const std::vector<std::string> lookalikes = {".drivesmith-pack-notes", ".drivesmith-pack-Ab3xY9~",
                                               ".drivesmith-pack-Ab3-Y9", "drivesmith-pack-Ab3xY9"};
  WriteBytes(stale, {1, 2, 3});
  WriteBytes(held, {4, 5, 6});
  for (const std::string& name : lookalikes) WriteBytes(folder_.File(name), {7});
  fs::create_directory(folder_.File(".drivesmith-pack-Dir001"));
  const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  EXPECT_EQ(Pack({program_, image_, output_}).exitStatus, 0);
  ::close(holder);

  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(ReadBytes(held), (Bytes{4, 5, 6}));
  for (const std::string& name : lookalikes) EXPECT_TRUE(fs::exists(folder_.File(name))) << name;
  EXPECT_TRUE(fs::is_directory(folder_.File(".drivesmith-pack-Dir001")));
  EXPECT_EQ(ReadBytes(output_), Packed());
}

}  // namespace
}  // namespace drivesmith
