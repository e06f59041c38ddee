// The firmware image at the end of a program file: trailer and header fields,
// the loader lookup and the load, on real files wherever a real file can show
// the case.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"
#include "tests/image/TempFolder.h"

namespace drivesmith {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes `offset` program bytes, an image of `imageLength` bytes with the
// given header fields, and the trailer; reads the header back.
struct RealProgramFile {
  RealProgramFile(std::size_t offset, std::size_t imageLength, std::uint32_t trailer,
                  const std::string& identity, const std::string& description = "") {
    bytes = testing_support::ProgramBytes(offset + imageLength);
    std::copy(identity.begin(), identity.end(), bytes.data() + offset + kLoaderIdentityOffset);
    std::copy_n("M7EH00", 6, bytes.data() + offset + kTypeCodeOffset);
    std::copy(description.begin(), description.end(), bytes.data() + offset + kDescriptionOffset);
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(std::uint8_t(trailer >> shift));
    testing_support::WriteBytes(path, bytes);
    image.ReadImageHeader(file);
  }
  testing_support::TempFolder folder;
  std::string path = folder.File("program");
  Bytes bytes;
  DiskProgramFile file{path};
  FirmwareImage image;
};

TEST(FirmwareImageTest, TrailerLoaderAndLoadOfRealFiles) {
  const struct {
    std::size_t offset;
    std::size_t imageLength;
    std::uint32_t trailer;
    const char* identity;
    FlashSizeCode code;
    int loaded;
  } rows[] = {{0x2C000, 2 * kMiB, 0x02C00002, "ZAzizud2 ZIRIVID2.01", kFlash2M, 1},
              {256, kMiB, 0x00010001, "TAVIX LOADER 1M ", kFlash1M, 1},
              {256, kMiB, 0x000100FF, "", kFlash1M, 0},      // huge ImageSizeMiB
              {256, kMiB, 0xFFFFFF01, "", kFlash1M, 0},      // offset past the end
              {256, kMiB - 1, 0x00010001, "", kFlash1M, 0},  // would end in the trailer
              {256, kMiB - 4, 0x00010001, "", kFlash1M, 0},  // ends where the file ends
              {256, kMiB, 0x00010000, "", kFlash1M, 0}};     // no image
  for (const auto& row : rows) {
    SCOPED_TRACE(row.trailer);
    RealProgramFile program(row.offset, row.imageLength, row.trailer, row.identity);
    FirmwareImage& image = program.image;
    EXPECT_EQ(image.Trailer().ImageOffset, row.trailer >> 8);
    EXPECT_EQ(image.Trailer().ImageSizeMiB, row.trailer & 0xFF);
    EXPECT_EQ(image.Header().imageFlashSizeCode, row.code);
    std::string failure;
    ASSERT_EQ(image.LoadFirmwareImage(program.file, program.path, failure), row.loaded);
    EXPECT_EQ(image.Length(), row.loaded == 1 ? row.imageLength : 0u);
    const auto start = program.bytes.begin() + static_cast<std::ptrdiff_t>(row.offset);
    EXPECT_TRUE(row.loaded == 0 || std::equal(start, start + kMiB, image.Data()));
    EXPECT_EQ(failure, "");
  }
}

// A file renamed over the program between the trailer read and the header
// read: the trailer is the first file's, the header the second's, whose image
// lies 4 KiB further on. No load may pair them.
TEST(FirmwareImageTest, LoadRefusesATrailerAndAHeaderReadFromTwoFiles) {
  RealProgramFile program(256, kMiB, 0x00010001, "TAVIX LOADER 1M ");
  Bytes shifted = program.bytes;
  shifted.insert(shifted.begin(), 4096, 0x33);
  shifted[shifted.size() - 3] = 0x11;  // the trailer: offset 256 + 4096, 1 MiB
  const std::string staged = program.folder.File("staged");
  testing_support::WriteBytes(staged, shifted);

  struct RenamedOverAfterFirstOpen : ProgramFile {
    RenamedOverAfterFirstOpen(DiskProgramFile& d, std::string s) : disk(d), staged(std::move(s)) {}
    std::string Path() override { return disk.Path(); }
    // Renamed over at the second open, once the first file is closed:
    // Windows replaces no file that is open.
    std::unique_ptr<OpenedFile> Open(const std::string& path, std::string& failure) override {
      if (opens++ == 1) {
        std::error_code renamed;
        std::filesystem::rename(staged, path, renamed);
        EXPECT_FALSE(renamed) << renamed.message();
      }
      return disk.Open(path, failure);
    }
    DiskProgramFile& disk;
    std::string staged;
    int opens = 0;
  } renaming(program.file, staged);
  FirmwareImage image;
  image.ReadImageHeader(renaming);
  ASSERT_EQ(renaming.opens, 2);
  EXPECT_EQ(image.Trailer().ImageOffset, 256u);
  std::string failure;
  EXPECT_EQ(image.LoadFirmwareImage(program.file, program.path, failure), 0);
  EXPECT_EQ(image.Data(), nullptr);
}

// Control characters and bytes above 0x7F show as blanks; 0x20 to 0x7F as
// they are.
TEST(FirmwareImageTest, UnshowableDescriptionBytesBecomeBlanks) {
  const std::string description("\x00\x1F A~\x7F\x80\xFF\x09zxxxxxxxxxxxxxxxxxxxx", 30);
  RealProgramFile program(0, kDescriptionOffset + kDescriptionLength, 1, "", description);
  EXPECT_EQ(program.image.Header().Information,
            std::string("   A~\x7F   zxxxxxxxxxxxxxxxxxxxx", 30));
}

TEST(FirmwareImageTest, LoaderLookupIsExactAndCaseSensitive) {
  const std::string loader = "ZAzizud2 ZIRIVID";
  auto find = [](const std::string& text) {
    return FindLoaderCode(Bytes(text.begin(), text.end()));
  };
  EXPECT_EQ(find("zazizud2 zirivid"), std::nullopt);
  EXPECT_EQ(find(std::string(16, '\0')), std::nullopt);
  for (int last = 0; last < 256; ++last) {
    const std::string field = loader.substr(0, 15) + static_cast<char>(last);
    EXPECT_EQ(find(field), field == loader ? std::optional(kFlash2M) : std::nullopt) << last;
  }
}

// A program file in memory that logs each step, for the failures a real file
// cannot be made to show.
struct MemoryFile : ProgramFile {
  struct Opened : OpenedFile {
    explicit Opened(MemoryFile& f) : file(f) {}
    bool SeekFromStart(std::uint64_t offset) override {
      file.log += "seek ";
      at = static_cast<std::size_t>(std::min<std::uint64_t>(offset, file.bytes.size()));
      return true;
    }
    bool SeekFromEnd(std::int64_t offset) override {
      return SeekFromStart(file.bytes.size() - static_cast<std::uint64_t>(-offset));
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
      file.log += "read ";
      const std::size_t n = std::min({count, file.readLimit, file.bytes.size() - at});
      std::copy_n(file.bytes.data() + at, n, buffer);
      at += n;
      return n;
    }
    std::optional<std::uint64_t> QueryLength() override {
      file.log += "length ";
      return file.failing == "length" ? std::nullopt : std::optional(file.bytes.size());
    }
    std::optional<FileIdentity> QueryIdentity() override {
      file.log += "identity ";
      if (file.failing == "identity") return std::nullopt;
      return FileIdentity{1, file.generation, file.bytes.size(), 0};
    }
    MemoryFile& file;
    std::size_t at = 0;
  };
  std::string Path() override { return "/memory"; }
  std::unique_ptr<OpenedFile> Open(const std::string&, std::string& failure) override {
    log += "open ";
    if (failing == "open") failure = "refused";
    return failing == "open" ? nullptr : std::make_unique<Opened>(*this);
  }

  Bytes bytes;
  std::string failing;           // the step that fails: "open", "length" or "identity"
  std::uint64_t generation = 1;  // a new number stands for a file renamed over this one
  std::size_t readLimit = std::numeric_limits<std::size_t>::max();
  std::string log;
};

TEST(FirmwareImageTest, LoadChecksComeInOrderBeforeAnyRead) {
  const struct {
    const char* failing;
    std::uint8_t sizeMiB;
    std::size_t readLimit;
    int result;
    const char* log;
    std::uint64_t generation;
  } rows[] = {{"open", 1, kMiB, 0, "open ", 1},
              {"length", 1, kMiB, 0, "open length ", 1},
              {"", 255, kMiB, 0, "open length ", 1},
              {"identity", 1, kMiB, 0, "open length identity ", 1},
              {"", 1, kMiB, 0, "open length identity ", 2},                // another file now
              {"", 1, kMiB - 1, 0, "open length identity seek read ", 1},  // a short read
              {"", 1, kMiB, 1, "open length identity seek read ", 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.log);
    MemoryFile file;
    file.bytes.assign(16 + kMiB, 0xA5);
    file.bytes.insert(file.bytes.end(), {0x00, 0x00, 0x10, row.sizeMiB});
    FirmwareImage image;
    image.ReadImageHeader(file);
    file.failing = row.failing;
    file.readLimit = row.readLimit;
    file.generation = row.generation;
    file.log.clear();
    std::string failure;
    EXPECT_EQ(image.LoadFirmwareImage(file, file.Path(), failure), row.result);
    EXPECT_EQ(file.log, row.log);
    EXPECT_EQ(image.Data() == nullptr, row.result == 0);
  }
}

}  // namespace
}  // namespace drivesmith
