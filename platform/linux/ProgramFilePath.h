#pragma once
// The running program's own file, as the kernel names it.

#include <string>

namespace drivesmith {

// The kernel's link to the file the running program was started from. It
// reaches that very file, whatever has since been renamed over its name and
// wherever the file itself has been renamed to.
inline constexpr char kOwnExecutableLink[] = "/proc/self/exe";

// The full path that `executableLink` names now: the program file's, for the
// default link. Empty when it cannot be had.
std::string ProgramFilePath(const std::string& executableLink = kOwnExecutableLink);

}  // namespace drivesmith
