#pragma once
// A program file held in memory, for the failures a real file cannot be made
// to show: a failing status query, a failing seek, a read that stops short.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/ProgramFile.h"

namespace drivesmith::testing_support {

struct MemoryFileBehaviour {
  bool failOpen = false;
  bool failStatus = false;
  bool failSeek = false;
  std::size_t readLimit = static_cast<std::size_t>(-1);  // bytes one read gives at most
};

// What the code under test did with the file.
struct MemoryFileLog {
  int opens = 0;
  int statusQueries = 0;
  int seeks = 0;
  int reads = 0;
};

class MemoryOpenedFile : public OpenedFile {
 public:
  MemoryOpenedFile(const std::vector<std::uint8_t>& bytes, const MemoryFileBehaviour& behaviour,
                   MemoryFileLog& log)
      : bytes_(bytes), behaviour_(behaviour), log_(log) {}

  bool SeekFromStart(std::uint64_t offset) override {
    ++log_.seeks;
    if (behaviour_.failSeek) return false;
    position_ = offset;
    return true;
  }
  bool SeekFromEnd(std::int64_t offset) override {
    ++log_.seeks;
    const auto target = static_cast<std::int64_t>(bytes_.size()) + offset;
    if (behaviour_.failSeek || target < 0) return false;
    position_ = static_cast<std::uint64_t>(target);
    return true;
  }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    ++log_.reads;
    if (position_ >= bytes_.size()) return 0;
    const std::size_t available = bytes_.size() - static_cast<std::size_t>(position_);
    const std::size_t n = std::min({count, available, behaviour_.readLimit});
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  std::optional<std::uint64_t> QueryLength() override {
    ++log_.statusQueries;
    if (behaviour_.failStatus) return std::nullopt;
    return bytes_.size();
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  const MemoryFileBehaviour& behaviour_;
  MemoryFileLog& log_;
  std::uint64_t position_ = 0;
};

class MemoryProgramFile : public ProgramFile {
 public:
  explicit MemoryProgramFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::string Path() override { return "/memory/program"; }
  std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) override {
    ++log.opens;
    if (behaviour.failOpen) {
      failure = "Cannot open file \"" + path + "\": Permission denied.";
      return nullptr;
    }
    return std::make_unique<MemoryOpenedFile>(bytes_, behaviour, log);
  }

  MemoryFileBehaviour behaviour;
  MemoryFileLog log;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace drivesmith::testing_support
