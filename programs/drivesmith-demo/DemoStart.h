#pragma once
// What both demo programs, the Qt one and the Win32 one, do around their
// window: read the options, answer --help, open the trace, answer the message
// boxes of an automatic run, and end with the run's exit status.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "ui/MessageBox.h"
#include "update/EngineState.h"

namespace drivesmith::demo {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitNotCompleted = 1;
inline constexpr int kExitUsage = 2;

struct DemoStart {
  DemoOptions options;
  std::unique_ptr<TraceWriter> trace;  // null without --trace
};

// Reads the arguments that follow the program name. Returns the status to end
// with at once (a usage error, --help, a trace file that cannot be written),
// or nothing when the demo goes on.
std::optional<int> StartDemo(const std::vector<std::string>& arguments, DemoStart& start);

// An automatic run answers Yes to the 1M-to-2M question and OK to any box.
MessageBoxAnswer AnswerAutomatically(const std::string& text, const std::string& caption,
                                     MessageBoxKind kind);

// With --auto, whether the update completed; otherwise 0.
int DemoExitStatus(const DemoOptions& options, std::optional<WizardState> finalState);

}  // namespace drivesmith::demo
