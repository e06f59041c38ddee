#pragma once
// The program's own file on Windows: its path from GetModuleFileNameA, asked
// afresh at each use, and opened for reading, shared with other readers and
// writers.

#include "image/ProgramFile.h"

namespace drivesmith {

class Win32ProgramFile : public ProgramFile {
 public:
  std::string Path() override;
  std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) override;
};

}  // namespace drivesmith
