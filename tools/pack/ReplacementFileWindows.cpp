// The Windows implementation of ReplacementFile: a named temporary beside the
// output, flushed and closed, then moved over the output in one step.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/pack/ReplacementFile.h"

namespace drivesmith {
namespace {

// Names tried before giving up when every one is taken.
constexpr int kNameAttempts = 100;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Cause(int error) { return std::strerror(error); }

// The system's text for a Windows error code, without its line break.
std::string WindowsCause(DWORD code) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string cause =
      length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
  if (text != nullptr) ::LocalFree(text);
  while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r' || cause.back() == '.' ||
                            cause.back() == ' ')) {
    cause.pop_back();
  }
  return cause;
}

// The output's folder as written in its path ("C:", "." for a bare name).
std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  // Windows removes no file that is still open.
  file_.Close();
  if (!temporary_.empty()) ::DeleteFileA(temporary_.c_str());
}

bool ReplacementFile::Open(const std::string& outputPath, std::string& error) {
  output_ = outputPath;
  folder_ = FolderOf(outputPath);
  return OpenNamed(error);
}

bool ReplacementFile::OpenNamed(std::string& error) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    // Joined as a path, so that "C:name" stays in the drive's current folder.
    const std::string name = (std::filesystem::path(folder_) / RandomTemporaryName()).string();
    file_.Reset(
        ::_open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE));
    if (file_.Valid()) {
      temporary_ = name;
      return true;
    }
    if (errno != EEXIST) {
      error = "Cannot create a temporary file in the folder " + Quoted(folder_) + ": " +
              Cause(errno) + ".";
      return false;
    }
  }
  error = "Cannot create a temporary file in the folder " + Quoted(folder_) + ".";
  return false;
}

bool ReplacementFile::Commit(mode_t mode, std::string& error) {
  // Windows keeps no permission bits a program file could carry over.
  static_cast<void>(mode);
  if (::_commit(file_.Get()) != 0) {
    error = "Cannot write " + Quoted(output_) + ": " + Cause(errno) + ".";
    return false;
  }
  // A file that is still open cannot be moved.
  if (const int closeError = file_.Close(); closeError != 0) {
    error = "Cannot write " + Quoted(output_) + ": " + Cause(closeError) + ".";
    return false;
  }
  return PlaceNamed(error);
}

bool ReplacementFile::PlaceNamed(std::string& error) {
  if (!::MoveFileExA(temporary_.c_str(), output_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = "Cannot replace " + Quoted(output_) + ": " + WindowsCause(::GetLastError()) + ".";
    return false;
  }
  temporary_.clear();
  return true;
}

}  // namespace drivesmith
