#pragma once
// Writes every command that the simulated drives receive to a file, one line
// each, in the order they arrived.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "simulator/SimulatedDrive.h"

namespace drivesmith::demo {

class TraceWriter {
 public:
  // Opens (and empties) `path`. Check Ok() afterwards.
  explicit TraceWriter(const std::string& path);
  bool Ok() const { return out_ != nullptr; }

  void Watch(const sim::SimulatedDrive& drive);
  // Writes the commands received since the last call. Commands of several
  // drives are merged by arrival time, drives in the order watched.
  void Flush();

 private:
  struct Watched {
    const sim::SimulatedDrive* drive;
    std::size_t written;
  };
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  // A C stream, not a file stream: the Windows demo then needs no file calls
  // that the C library of Windows 98 and NT 4.0 lacks.
  std::unique_ptr<std::FILE, FileCloser> out_;
  std::vector<Watched> drives_;
};

}  // namespace drivesmith::demo
