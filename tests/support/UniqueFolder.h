#pragma once
// Makes a new, empty folder with a name no other folder has, inside `parent`:
// the portable form of mkdtemp. Free of any test framework.

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace drivesmith::testing_support {

// Returns the new folder, or an empty path when none could be made.
inline std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent,
                                              const std::string& prefix) {
  constexpr int kAttempts = 100;
  std::random_device seed;
  std::mt19937 generator(seed());
  std::uniform_int_distribution<unsigned> digits(0, 0xFFFFFF);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = parent / (prefix + std::to_string(digits(generator)));
    std::error_code error;
    // create_directory reports false without an error when the name exists.
    if (std::filesystem::create_directory(candidate, error) && !error) return candidate;
  }
  return {};
}

}  // namespace drivesmith::testing_support
