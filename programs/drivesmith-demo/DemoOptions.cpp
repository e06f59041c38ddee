#include "programs/drivesmith-demo/DemoOptions.h"

#include <optional>
#include <string>

#include "simulator/NumberText.h"
#include "simulator/ScaledClock.h"

namespace drivesmith::demo {

namespace {

// Drives the demo attaches at most (drive letters d: to k:, ASPI targets 0 to 7).
constexpr std::size_t kMaxDrives = 8;
// Largest list entry number --select takes.
constexpr std::uint64_t kLargestSelect = 999999;

}  // namespace

std::string DemoUsage() {
  return "Usage: drivesmith-demo [OPTIONS]\n"
         "Runs the firmware update wizard on simulated drives.\n"
         "\n"
         "  --drive 1m|2m       add a drive of the one- or two-megabyte layout (repeatable;\n"
         "                      default: one 2m drive, then one 1m drive)\n"
         "  --time-scale X      real seconds per simulated second (default 1; 0.01 is fast)\n"
         "  --fault NAME        a fault every drive shows (repeatable): refuse-12-byte,\n"
         "                      wrong-sum, stop-responding, never-finish, work-error,\n"
         "                      medium-not-present\n"
         "  --trace FILE        write every command the drives receive to FILE, one a line\n"
         "  --transport T       cdrom (default), letter or aspi\n"
         "  --select N          pick entry N of the Target Drive list (from 0)\n"
         "  --auto              press Next > and Start by itself, answer Yes to the 1M to 2M\n"
         "                      question, print the states and the progress, and exit 0 when\n"
         "                      the update completed\n"
         "  --help              show this text\n";
}

bool ParseDemoOptions(const std::vector<std::string>& arguments, DemoOptions& options,
                      std::string& error) {
  options = DemoOptions{};
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      continue;
    }
    if (argument == "--auto") {
      options.autoRun = true;
      continue;
    }
    const bool takesValue = argument == "--drive" || argument == "--time-scale" ||
                            argument == "--fault" || argument == "--trace" ||
                            argument == "--transport" || argument == "--select";
    if (!takesValue) {
      error = "unknown argument \"" + argument + "\"";
      return false;
    }
    if (i + 1 >= arguments.size()) {
      error = argument + " needs a value";
      return false;
    }
    const std::string& value = arguments[++i];
    if (argument == "--drive") {
      if (options.drives.size() >= kMaxDrives) {
        error = "at most " + std::to_string(kMaxDrives) + " drives";
        return false;
      }
      if (value == "1m" || value == "1M") {
        options.drives.push_back(sim::LoaderLayout::OneMegabyte);
      } else if (value == "2m" || value == "2M") {
        options.drives.push_back(sim::LoaderLayout::TwoMegabyte);
      } else {
        error = "--drive takes 1m or 2m, not \"" + value + "\"";
        return false;
      }
    } else if (argument == "--time-scale") {
      const std::optional<double> scale = sim::ParseDecimalNumber(value);
      if (!scale || *scale < sim::kSmallestTimeScale) {
        error = "--time-scale needs a positive number, not \"" + value + "\"";
        return false;
      }
      options.timeScale = *scale;
    } else if (argument == "--fault") {
      const std::optional<sim::Fault> fault = sim::FaultNamed(value);
      if (!fault) {
        error = "unknown fault \"" + value + "\"";
        return false;
      }
      options.faults.push_back(*fault);
    } else if (argument == "--trace") {
      options.traceFile = value;
    } else if (argument == "--transport") {
      if (value == "cdrom") {
        options.transport = DemoTransport::Cdrom;
      } else if (value == "letter") {
        options.transport = DemoTransport::Letter;
      } else if (value == "aspi") {
        options.transport = DemoTransport::Aspi;
      } else {
        error = "--transport takes cdrom, letter or aspi, not \"" + value + "\"";
        return false;
      }
    } else {
      const auto index = sim::ParseWholeNumber(value, sim::NumberBase::Decimal, kLargestSelect);
      if (!index) {
        error = "--select needs a list entry number, not \"" + value + "\"";
        return false;
      }
      options.select = static_cast<int>(*index);
    }
  }
  if (options.drives.empty()) {
    options.drives = {sim::LoaderLayout::TwoMegabyte, sim::LoaderLayout::OneMegabyte};
  }
  return true;
}

}  // namespace drivesmith::demo
