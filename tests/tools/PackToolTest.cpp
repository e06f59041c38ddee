// drivesmith-pack run as a process: the layout it writes, the refusals that
// leave every file as it was, and what a crash or a killed run leaves behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/image/TempFolder.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
constexpr std::size_t kMiB = 1048576;
// A run that has not ended after this long waits for something that never
// comes (a FIFO's writer); it is killed and counted as hung.
constexpr int kHangLimitMilliseconds = 30000;

struct Outcome {
  bool hung = false;
  int exitStatus = -1;  // -1 when it did not end normally
  int signal = 0;       // the signal that ended it
  std::string errorOutput;
};

// Runs `program` with `arguments`. `fileSizeLimit` (bytes, 0 for none) is
// the largest file it may write; a write beyond it kills it with SIGXFSZ.
Outcome RunProcess(std::vector<std::string> arguments, rlim_t fileSizeLimit = 0) {
  Outcome outcome;
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int errorFile = ::memfd_create("stderr", MFD_CLOEXEC);
  if (errorFile < 0) return outcome;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit limit{fileSizeLimit, fileSizeLimit};
    if (::dup2(errorFile, STDERR_FILENO) < 0 ||
        (fileSizeLimit != 0 && ::setrlimit(RLIMIT_FSIZE, &limit) != 0)) {
      ::_exit(127);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pid > 0) {
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd ended{process, POLLIN, 0};
    if (process >= 0 && ::poll(&ended, 1, kHangLimitMilliseconds) == 0) {
      outcome.hung = true;
      ::kill(pid, SIGKILL);
    }
    if (process >= 0) ::close(process);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    char buffer[4096];
    ssize_t got = 0;
    ::lseek(errorFile, 0, SEEK_SET);
    while ((got = ::read(errorFile, buffer, sizeof buffer)) > 0) {
      outcome.errorOutput.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(errorFile);
  return outcome;
}

Outcome Pack(std::vector<std::string> arguments, rlim_t fileSizeLimit = 0) {
  arguments.insert(arguments.begin(), DRIVESMITH_PACK_PATH);
  return RunProcess(std::move(arguments), fileSizeLimit);
}

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class PackToolTest : public ::testing::Test {
 protected:
  PackToolTest() {
    WriteBytes(program_, testing_support::ProgramBytes(0x2C000));
    WriteBytes(image_, testing_support::ProgramBytes(2 * kMiB + 5));
    fs::resize_file(image_, 2 * kMiB);
  }

  // What a correct output holds.
  std::vector<std::uint8_t> Packed() const {
    std::vector<std::uint8_t> expected = ReadBytes(program_);
    const std::vector<std::uint8_t> image = ReadBytes(image_);
    expected.insert(expected.end(), image.begin(), image.end());
    expected.insert(expected.end(), {0x02, 0xC0, 0x00, 0x02});
    return expected;
  }

  testing_support::TempFolder folder_;
  std::string program_ = folder_.File("program");
  std::string image_ = folder_.File("image.bin");
};

TEST_F(PackToolTest, WritesProgramImageAndTrailer) {
  // Output names up to the longest a folder entry may have.
  for (const std::size_t nameLength : {6u, 247u, 248u, 255u}) {
    const std::string output = folder_.File(std::string(nameLength, 'p'));
    SCOPED_TRACE("an output name of " + std::to_string(nameLength) + " bytes");
    const Outcome outcome = Pack({program_, image_, output});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.errorOutput;
    EXPECT_EQ(ReadBytes(output), Packed());
    EXPECT_EQ(fs::status(output).permissions(), fs::status(program_).permissions());
    fs::remove(output);
  }
  EXPECT_EQ(Entries(folder_.Path()), (std::set<std::string>{"program", "image.bin"}));
}

TEST_F(PackToolTest, RefusalsLeaveEveryFileAsItWas) {
  const std::string odd = folder_.File("odd.bin");
  const std::string empty = folder_.File("empty");
  const std::string fifo = folder_.File("fifo");
  const std::string directory = folder_.File("directory");
  WriteBytes(empty, {});
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(directory);
  fs::create_symlink("program", folder_.File("link"));
  fs::create_hard_link(image_, folder_.File("hard"));
  const std::string roundabout = (folder_.Path() / ".." / folder_.Path().filename()).string();
  const auto quoted = [](const std::string& path) { return "\"" + path + "\""; };
  const struct {
    std::uintmax_t imageLength;  // of odd.bin, the image for rows that pack it
    std::vector<std::string> arguments;
    std::string message;  // what the refusal says, where a row checks it
  } rows[] = {{0, {program_, odd, folder_.File("out")}, ""},
              {kMiB - 1, {program_, odd, folder_.File("out")}, ""},
              {kMiB + 1, {program_, odd, folder_.File("out")}, ""},
              {256 * kMiB, {program_, odd, folder_.File("out")}, ""},
              {kMiB, {program_, image_, program_}, ""},
              {kMiB, {program_, image_, folder_.File("./program")}, ""},
              {kMiB, {program_, image_, roundabout + "/image.bin"}, ""},
              {kMiB, {program_, image_, folder_.File("link")}, ""},
              {kMiB, {program_, image_, folder_.File("hard")}, ""},
              {kMiB,
               {fifo, image_, folder_.File("out")},
               "The program file " + quoted(fifo) + " is not a regular file."},
              {kMiB,
               {program_, fifo, folder_.File("out")},
               "The image file " + quoted(fifo) + " is not a regular file."},
              {kMiB,
               {empty, image_, folder_.File("out")},
               "The program file " + quoted(empty) + " is empty."},
              {kMiB,
               {program_, image_, directory},
               "The output " + quoted(directory) + " is a directory; name a file."},
              {kMiB,
               {program_, image_, directory + "/"},
               "The output " + quoted(directory + "/") + " is a directory; name a file."}};
  const std::vector<std::uint8_t> program = ReadBytes(program_);
  const std::vector<std::uint8_t> image = ReadBytes(image_);
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
// The system calls that flush a file and give it its name, in their order.
std::vector<std::string> FlushesAndNames(const std::string& traceFile) {
  std::ifstream in(traceFile);
  std::vector<std::string> calls;
  for (std::string line; std::getline(in, line);) {
    static const std::regex call(R"(^\d+ +(fsync|fdatasync|sync_file_range|rename\w*|link\w*)\()");
    if (std::regex_search(line, call)) calls.push_back(line);
  }
  return calls;
}
#endif

TEST_F(PackToolTest, OutputIsFlushedBeforeItTakesItsNameAndItsFolderAfter) {
#ifndef DRIVESMITH_STRACE_PATH
  GTEST_SKIP() << "strace is not installed";
#else
  const std::string output = folder_.File("packed");
  const std::string trace = folder_.File("calls.txt");
  // The leak checker cannot run under a tracer.
  const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
  const std::string untracedLeaks =
      std::string("ASAN_OPTIONS=") + (sanitizerOptions ? sanitizerOptions : "") + ":detect_leaks=0";
  for (const bool outputExists : {false, true}) {
    SCOPED_TRACE(outputExists ? "replacing an output" : "a new output");
    if (outputExists) WriteBytes(output, {1, 2, 3});
    const Outcome outcome =
        RunProcess({DRIVESMITH_STRACE_PATH, "-f", "-qq", "-E", untracedLeaks, "-o", trace, "-e",
                    "trace=fsync,fdatasync,sync_file_range,rename,renameat,"
                    "renameat2,link,linkat",
                    DRIVESMITH_PACK_PATH, program_, image_, output});
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.errorOutput;
    ASSERT_EQ(ReadBytes(output), Packed());

    // The contents are flushed, then named as the output, then the folder
    // is flushed, each call succeeding.
    const std::vector<std::string> calls = FlushesAndNames(trace);
    std::ostringstream listing;
    for (const std::string& call : calls) listing << call << '\n';
    const std::regex flush(R"(^\d+ +f(data)?sync\((\d+)\) += 0$)");
    const std::regex named("^\\d+ +(rename|link)\\w*\\(.*\"" + output + "\".*\\) += 0$");
    auto first = [&](const std::regex& pattern, std::size_t from) {
      for (std::size_t i = from; i < calls.size(); ++i) {
        if (std::regex_search(calls[i], pattern)) return i;
      }
      return calls.size();
    };
    const std::size_t fileFlush = first(flush, 0);
    const std::size_t naming = first(named, fileFlush + 1);
    const std::size_t folderFlush = first(flush, naming + 1);
    EXPECT_LT(folderFlush, calls.size()) << listing.str();
  }
#endif
}

TEST_F(PackToolTest, KilledRunLeavesNoPartialFile) {
  const std::set<std::string> entriesBefore = Entries(folder_.Path());
  const std::string output = folder_.File("packed");

  // The file size limit kills the tool in the middle of writing the output.
  const Outcome killed = Pack({program_, image_, output}, kMiB);
  ASSERT_EQ(killed.signal, SIGXFSZ) << killed.errorOutput;

  // What the killed run left behind, if anything, is gone after the next.
  EXPECT_EQ(Pack({program_, image_, output}).exitStatus, 0);
  EXPECT_EQ(ReadBytes(output), Packed());
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

  EXPECT_EQ(Pack({program_, image_, folder_.File("packed")}).exitStatus, 0);
  ::close(holder);

  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(ReadBytes(held), (std::vector<std::uint8_t>{4, 5, 6}));
  for (const std::string& name : lookalikes) EXPECT_TRUE(fs::exists(folder_.File(name))) << name;
  EXPECT_TRUE(fs::is_directory(folder_.File(".drivesmith-pack-Dir001")));
  EXPECT_EQ(ReadBytes(folder_.File("packed")), Packed());
}

}  // namespace
}  // namespace drivesmith
