#pragma once
// The application's name: it gives none of its own, so it is the program
// file's base name without its extension.

#include <string>
#include <string_view>

namespace drivesmith {

// "C:\Tools\Flash.exe" and "/usr/bin/flash.bin" give "Flash" and "flash".
// Both '/' and '\' separate folders; only the last extension is removed, and
// a leading dot (".flash") starts the name rather than an extension.
std::string ApplicationNameFromPath(std::string_view path);

}  // namespace drivesmith
