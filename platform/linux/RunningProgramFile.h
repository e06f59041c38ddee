#pragma once
// The running program's own file on Linux. The name a program was started
// under can come to name another file while it runs: a re-pack or a package
// upgrade renames a new file over it, and the file itself may be renamed.
// Every open therefore goes through the kernel's link to the file that was
// started, so the header the dialog shows and the image an update loads come
// from the same file; only the reports name the file by its path.

#include <memory>
#include <string>

#include "image/ProgramFile.h"
#include "platform/linux/ProgramFilePath.h"

namespace drivesmith {

class RunningProgramFile : public ProgramFile {
 public:
  // `executableLink` is the kernel's link to the running program's file.
  explicit RunningProgramFile(std::string executableLink = kOwnExecutableLink);

  // The path the link names now, asked afresh each time.
  std::string Path() override;
  // Opens the running program's file, whatever `path` names by now. A failure
  // is reported under `path`.
  std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) override;

 private:
  std::string executableLink_;
};

}  // namespace drivesmith
