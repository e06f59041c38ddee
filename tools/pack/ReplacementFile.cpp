#include "tools/pack/ReplacementFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/pack/TemporaryName.h"

namespace drivesmith {
namespace {

// Names tried before giving up when every one is taken.
constexpr int kNameAttempts = 100;
// The link through which an unnamed file gets its name.
constexpr const char* kOwnDescriptors = "/proc/self/fd/";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Cause(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool Lock(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Removes the named temporaries in `folder` that belong to this user and
// that no live run holds locked. Best effort: what cannot be removed stays.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(listing)) {
    if (IsTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  const int folderFd = ::dirfd(listing);
  for (const std::string& name : names) {
    FileDescriptor file(::openat(folderFd, name.c_str(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    if (!file.Valid() || ::fstat(file.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_uid != ::geteuid() || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
      continue;
    }
    // The run that held it may have renamed it into place meanwhile.
    struct stat named {};
    if (::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(named, opened)) {
      ::unlinkat(folderFd, name.c_str(), 0);
    }
  }
  ::closedir(listing);
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool ReplacementFile::Open(const std::string& outputPath, std::string& error) {
  output_ = outputPath;
  folder_ = FolderOf(outputPath);
  RemoveStaleTemporaries(folder_);
  bool unsupported = false;
  if (OpenUnnamed(error, unsupported)) return true;
  return unsupported && OpenNamed(error);
}

bool ReplacementFile::OpenUnnamed(std::string& error, bool& unsupported) {
  if (::access(kOwnDescriptors, X_OK) != 0) {
    unsupported = true;
    return false;
  }
  file_.Reset(::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (!file_.Valid()) {
    // Kernels and file systems without unnamed files answer with one of these.
    unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
    if (!unsupported) {
      error = "Cannot create a file in the folder " + Quoted(folder_) + ": " + Cause(errno) + ".";
    }
    return false;
  }
  // Held from the start, so that the contents are never taken for a stale
  // temporary while they pass through a name of their own.
  if (!Lock(file_.Get())) {
    error = "Cannot lock the new output in " + Quoted(folder_) + ": " + Cause(errno) + ".";
    return false;
  }
  return true;
}

bool ReplacementFile::OpenNamed(std::string& error) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = folder_ + "/" + kReplacementTemporaryPrefix + "XXXXXX";
    file_.Reset(::mkostemp(name.data(), O_CLOEXEC));
    if (!file_.Valid()) {
      error = "Cannot create a temporary file in the folder " + Quoted(folder_) + ": " +
              Cause(errno) + ".";
      return false;
    }
    if (!Lock(file_.Get())) {
      error = "Cannot lock " + Quoted(name) + ": " + Cause(errno) + ".";
      ::unlink(name.c_str());
      return false;
    }
    // Another run may have taken the new file for a stale one before the
    // lock was held; then it is gone and another name is needed.
    struct stat opened {};
    struct stat named {};
    if (::fstat(file_.Get(), &opened) == 0 && ::lstat(name.c_str(), &named) == 0 &&
        SameFile(opened, named)) {
      temporary_ = name;
      return true;
    }
  }
  error = "Cannot create a temporary file in the folder " + Quoted(folder_) + ".";
  return false;
}

bool ReplacementFile::Commit(mode_t mode, std::string& error) {
  if (::fchmod(file_.Get(), mode) != 0) {
    error = "Cannot set the permissions of the new " + Quoted(output_) + ": " + Cause(errno) + ".";
    return false;
  }
  if (::fsync(file_.Get()) != 0) {
    error = "Cannot write " + Quoted(output_) + ": " + Cause(errno) + ".";
    return false;
  }
  const bool placed = temporary_.empty() ? PlaceUnnamed(error) : PlaceNamed(error);
  return placed && SyncFolder(error);
}

bool ReplacementFile::PlaceUnnamed(std::string& error) {
  const std::string self = kOwnDescriptors + std::to_string(file_.Get());
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, output_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  if (errno != EEXIST) {
    error = "Cannot create " + Quoted(output_) + ": " + Cause(errno) + ".";
    return false;
  }
  // A name cannot be linked over an existing one: name the contents beside
  // the output, then rename them over it.
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = folder_ + "/" + RandomTemporaryName();
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary_ = name;
      return PlaceNamed(error);
    }
    if (errno != EEXIST) {
      error = "Cannot name the new " + Quoted(output_) + ": " + Cause(errno) + ".";
      return false;
    }
  }
  error = "Cannot name the new " + Quoted(output_) + ": every name tried is taken.";
  return false;
}

bool ReplacementFile::PlaceNamed(std::string& error) {
  if (::rename(temporary_.c_str(), output_.c_str()) != 0) {
    error = "Cannot replace " + Quoted(output_) + ": " + Cause(errno) + ".";
    return false;
  }
  temporary_.clear();
  return true;
}

bool ReplacementFile::SyncFolder(std::string& error) const {
  // A folder that cannot be read cannot be flushed; the output is in place.
  FileDescriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid()) return true;
  // Some file systems cannot flush a folder and say so with EINVAL.
  if (::fsync(folder.Get()) != 0 && errno != EINVAL) {
    error = "Wrote " + Quoted(output_) + ", but cannot flush its folder " + Quoted(folder_) + ": " +
            Cause(errno) + ".";
    return false;
  }
  return true;
}

}  // namespace drivesmith
