#pragma once
// A fresh folder for one test's files, removed with everything in it when the
// test ends, plus small helpers to write and read whole files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace drivesmith::testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "drivesmith-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const char* made = ::mkdtemp(name.data());
    if (made == nullptr) {
      ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
      return;
    }
    path_ = made;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  if (error) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// Bytes that differ from one position to the next, standing in for a program.
inline std::vector<std::uint8_t> ProgramBytes(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 131u + 7u) & 0xFFu);
  }
  return bytes;
}

}  // namespace drivesmith::testing_support
