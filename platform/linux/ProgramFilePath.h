#pragma once
// The running program's own file, as the kernel names it.

#include <string>

namespace drivesmith {

// The full path of the program file (/proc/self/exe); empty when it cannot
// be had.
std::string ProgramFilePath();

}  // namespace drivesmith
