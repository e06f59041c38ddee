#include "programs/drivesmith-demo/DemoStart.h"

#include <iostream>

#include "update/EngineState.h"

namespace drivesmith::demo {

std::optional<int> StartDemo(const std::vector<std::string>& arguments, DemoStart& start) {
  std::string error;
  if (!ParseDemoOptions(arguments, start.options, error)) {
    std::cerr << "drivesmith-demo: " << error << "\n" << DemoUsage();
    return kExitUsage;
  }
  if (start.options.help) {
    std::cout << DemoUsage();
    return kExitCompleted;
  }
  if (!start.options.traceFile.empty()) {
    start.trace = std::make_unique<TraceWriter>(start.options.traceFile);
    if (!start.trace->Ok()) {
      std::cerr << "drivesmith-demo: cannot write " << start.options.traceFile << "\n";
      return kExitUsage;
    }
  }
  return std::nullopt;
}

MessageBoxAnswer AnswerAutomatically(const std::string& /*text*/, const std::string& /*caption*/,
                                     MessageBoxKind kind) {
  return kind == MessageBoxKind::ExclamationYesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
}

int DemoExitStatus(const DemoOptions& options, std::optional<WizardState> finalState) {
  if (!options.autoRun) {
    return kExitCompleted;
  }
  return finalState == WizardState::Completed ? kExitCompleted : kExitNotCompleted;
}

}  // namespace drivesmith::demo
