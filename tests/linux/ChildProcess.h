#pragma once
// A program run as a child process: its standard input and output on pipes,
// for a conversation line by line, its standard error kept, and its end
// awaited for a bounded time, past which it is killed and counted as hung.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace drivesmith::testing_support {

class ChildProcess {
 public:
  struct Ended {
    bool hung = false;
    int exitStatus = -1;  // -1 when it did not end normally
    int signal = 0;       // the signal that ended it
    std::string errorOutput;
  };

  explicit ChildProcess(std::vector<std::string> arguments) {
    int in[2], out[2];
    errors_ = ::memfd_create("stderr", MFD_CLOEXEC);
    if (errors_ < 0 || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, errors_, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = ::fdopen(out[0], "r");
  }
  ~ChildProcess() {
    Wait();
    if (output_ != nullptr) std::fclose(output_);
    if (errors_ >= 0) ::close(errors_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0 && output_ != nullptr; }
  // A line of standard output without its end; empty at the end.
  std::string ReadLine() {
    std::string line;
    for (int c; (c = std::fgetc(output_)) != EOF && c != '\n';) line.push_back(char(c));
    return line;
  }
  bool WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    return ::write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }

  // Closes its standard input and waits for its end, at most `limitMs`.
  Ended Wait(int limitMs = 30000) {
    Ended ended;
    if (input_ >= 0) ::close(input_);
    input_ = -1;
    if (pid_ <= 0) return ended;
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    pollfd end{process, POLLIN, 0};
    ended.hung = ::poll(&end, 1, limitMs) == 0;
    if (ended.hung) ::kill(pid_, SIGKILL);
    ::close(process);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    ended.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ended.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    char buffer[4096];  // standard error, from its start
    for (ssize_t got;
         (got = ::pread(errors_, buffer, sizeof buffer, off_t(ended.errorOutput.size()))) > 0;)
      ended.errorOutput.append(buffer, static_cast<std::size_t>(got));
    return ended;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::FILE* output_ = nullptr;
  int errors_ = -1;
};

}  // namespace drivesmith::testing_support
