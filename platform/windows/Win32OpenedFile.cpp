#include "platform/windows/Win32OpenedFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace drivesmith {
namespace {

// The system's own text for an error code, without the trailing line break.
std::string SystemErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length != 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result.empty() ? "Error " + std::to_string(error) : result;
}

std::uint64_t Combine(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

class Win32OpenedFile : public OpenedFile {
 public:
  explicit Win32OpenedFile(HANDLE file) : file_(file) {}
  ~Win32OpenedFile() override { CloseHandle(file_); }
  Win32OpenedFile(const Win32OpenedFile&) = delete;
  Win32OpenedFile& operator=(const Win32OpenedFile&) = delete;

  bool SeekFromStart(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
    return Seek(static_cast<LONGLONG>(offset), FILE_BEGIN);
  }

  bool SeekFromEnd(std::int64_t offset) override { return Seek(offset, FILE_END); }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    std::size_t total = 0;
    // ReadFile takes at most a DWORD's worth at once.
    while (total < count) {
      const DWORD chunk = static_cast<DWORD>(
          std::min<std::size_t>(count - total, std::numeric_limits<DWORD>::max()));
      DWORD got = 0;
      if (!ReadFile(file_, buffer + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

  std::optional<std::uint64_t> QueryLength() override {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file_, &information)) return std::nullopt;
    return Combine(information.nFileSizeHigh, information.nFileSizeLow);
  }

  std::optional<FileIdentity> QueryIdentity() override {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file_, &information)) return std::nullopt;
    // The last write time in the system's 100-nanosecond units.
    const std::uint64_t lastWrite = Combine(information.ftLastWriteTime.dwHighDateTime,
                                            information.ftLastWriteTime.dwLowDateTime);
    return FileIdentity{information.dwVolumeSerialNumber,
                        Combine(information.nFileIndexHigh, information.nFileIndexLow),
                        Combine(information.nFileSizeHigh, information.nFileSizeLow),
                        static_cast<std::int64_t>(lastWrite)};
  }

 private:
  bool Seek(LONGLONG offset, DWORD origin) {
    // SetFilePointer takes the distance as two 32-bit halves; the result is
    // INVALID_SET_FILE_POINTER also for a valid position, so only the error
    // code tells a failure.
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LONG high = distance.HighPart;
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(file_, static_cast<LONG>(distance.LowPart), &high, origin);
    return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
  }

  HANDLE file_;
};

}  // namespace

std::unique_ptr<OpenedFile> OpenWin32File(const std::string& path, std::string& failure) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    failure = "Cannot open file \"" + path + "\": " + SystemErrorText(GetLastError()) + ".";
    return nullptr;
  }
  return std::make_unique<Win32OpenedFile>(file);
}

}  // namespace drivesmith
