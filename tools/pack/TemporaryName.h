#pragma once
// The names of the temporaries the packaging tool writes beside its output:
// ".drivesmith-pack-" followed by six random letters or digits.

#include <string>

namespace drivesmith {

// The name of a named temporary without its random characters.
inline constexpr const char* kReplacementTemporaryPrefix = ".drivesmith-pack-";

// A fresh name of that form, without a folder.
std::string RandomTemporaryName();

// Whether `name` (without a folder) has that form.
bool IsTemporaryName(const std::string& name);

}  // namespace drivesmith
