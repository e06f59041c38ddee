// The ordinary file system behind the program-file port, on Windows.
#include "image/ProgramFile.h"
#include "platform/windows/Win32OpenedFile.h"

namespace drivesmith {

std::unique_ptr<OpenedFile> DiskProgramFile::Open(const std::string& path, std::string& failure) {
  return OpenWin32File(path, failure);
}

}  // namespace drivesmith
