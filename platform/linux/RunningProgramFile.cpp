#include "platform/linux/RunningProgramFile.h"

#include <utility>

namespace drivesmith {

RunningProgramFile::RunningProgramFile(std::string executableLink)
    : executableLink_(std::move(executableLink)) {}

std::string RunningProgramFile::Path() { return ProgramFilePath(executableLink_); }

std::unique_ptr<OpenedFile> RunningProgramFile::Open(const std::string& path,
                                                     std::string& failure) {
  return OpenDiskFile(executableLink_, path, failure);
}

}  // namespace drivesmith
