#pragma once
// Every pause and every bound of the update engine, in one place.

#include <chrono>
#include <cstdint>

namespace drivesmith::timing {

using std::chrono::milliseconds;

// The drive answers Inquiry from its boot loader this long after ChangeToUpMode.
inline constexpr milliseconds kUpModeSettle{200};
// Pause between showing the transfer line and the first block (one-megabyte layout).
inline constexpr milliseconds kTransferStartPause{200};
// Pace of the completion poll: one cycle per interval.
inline constexpr milliseconds kPollIntervalTwoMegabyte{200};
inline constexpr milliseconds kPollIntervalOneMegabyte{580};

// A drive that keeps reporting "still working" (or stays ready without ever
// giving the finish signal) would hold the dialog forever. Erasing and writing
// a flash ROM takes a real drive well under a minute; ten minutes per wait is
// far beyond anything a working drive needs, so reaching it means the drive
// is stuck and the wait reports failure.
inline constexpr milliseconds kWaitForDriveLimit = std::chrono::minutes{10};

// Consecutive "medium not present" answers within one poll cycle that signal
// the end of the drive's work.
inline constexpr int kFinishSignalProbes = 10;

// A block that the drive keeps answering with "medium not present" is sent
// again at once; a drive that never stops doing so would keep the transfer
// busy forever. The bound counts repeats, not time, so it holds on any clock.
// A working drive asks for a repeat a handful of times at most.
inline constexpr int kBlockRepeatLimit = 1000;

}  // namespace drivesmith::timing
