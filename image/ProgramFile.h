#pragma once
// Port: the program's own file, which carries the firmware image.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace drivesmith {

// What tells one file from another: the volume and the file's number on it,
// its length and its last write time. Two opens that give equal identities
// reached the same, unchanged file.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t length = 0;
  std::int64_t lastWrite = 0;  // in the platform's own units
  bool operator==(const FileIdentity&) const = default;
};

// A file opened for reading, shared with other readers and writers. Closing
// it is destroying it.
class OpenedFile {
 public:
  virtual ~OpenedFile() = default;
  virtual bool SeekFromStart(std::uint64_t offset) = 0;
  // Seeks relative to the end; `offset` is usually negative.
  virtual bool SeekFromEnd(std::int64_t offset) = 0;
  // Reads up to `count` bytes; returns how many were read.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
  // The file's status: its length in bytes, or nothing when the query fails.
  virtual std::optional<std::uint64_t> QueryLength() = 0;
  // The file's identity, or nothing when the query fails.
  virtual std::optional<FileIdentity> QueryIdentity() = 0;
};

class ProgramFile {
 public:
  virtual ~ProgramFile() = default;
  // The program file's full path as the operating system gives it; empty when
  // it cannot be had.
  virtual std::string Path() = 0;
  // Opens `path` for reading. On failure returns null and sets `failure` to a
  // report that names the file and the cause.
  virtual std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) = 0;
};

// Opens `openPath` of the ordinary file system for reading. On failure
// returns null and sets `failure` to a report that names `reportedName` (the
// file as the user knows it, where `openPath` is only a way to reach it) and
// the cause.
std::unique_ptr<OpenedFile> OpenDiskFile(const std::string& openPath,
                                         const std::string& reportedName, std::string& failure);

// The ordinary file system behind the port; the path comes from the caller.
class DiskProgramFile : public ProgramFile {
 public:
  explicit DiskProgramFile(std::string ownPath) : ownPath_(std::move(ownPath)) {}
  std::string Path() override { return ownPath_; }
  std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) override;

 private:
  std::string ownPath_;
};

}  // namespace drivesmith
