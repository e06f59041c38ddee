#pragma once
// A file opened with CreateFileA for reading, shared with other readers and
// writers, behind the program-file port.

#include <memory>
#include <string>

#include "image/ProgramFile.h"

namespace drivesmith {

// Opens `path` for reading. On failure returns null and sets `failure` to a
// report that names the file and the system's text for the cause.
std::unique_ptr<OpenedFile> OpenWin32File(const std::string& path, std::string& failure);

}  // namespace drivesmith
