#pragma once
// Where the build put what the end-to-end tests use; Unix paths, which the
// tests reach through Wine's drive Z:.

#include <algorithm>
#include <string>

namespace drivesmith::wintest {

inline constexpr char kPackedProgram[] = DRIVESMITH_TEST_PACKED_PROGRAM;  // drivesmith.exe + image
inline constexpr char kPackedImage[] = DRIVESMITH_TEST_PACKED_IMAGE;      // the image it carries
inline constexpr char kSimulatedAspi[] = DRIVESMITH_TEST_SIM_ASPI;
inline constexpr char kSimulatedAspiWithoutSend[] = DRIVESMITH_TEST_SIM_ASPI_WITHOUT_SEND;
inline constexpr char kScratchFolder[] = DRIVESMITH_TEST_SCRATCH;
inline constexpr char kArtifactsFolder[] = DRIVESMITH_TEST_ARTIFACTS;
inline constexpr char kXwdProgram[] = DRIVESMITH_TEST_XWD;
inline constexpr char kXdotoolProgram[] = DRIVESMITH_TEST_XDOTOOL;
inline constexpr char kRunAndMark[] = DRIVESMITH_TEST_RUN_AND_MARK;  // RunAndMark.sh

// "/a/b" as "Z:\a\b".
inline std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace drivesmith::wintest
