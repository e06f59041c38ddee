#include "simulator/tcmu/HandlerOptions.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

#include "simulator/NumberText.h"

namespace drivesmith::tcmu {

namespace {

// A whole number in decimal, or in hexadecimal with "0x", that fits T.
template <typename T>
std::optional<T> ParseNumber(const std::string& text) {
  const auto value =
      sim::ParseWholeNumber(text, sim::NumberBase::DecimalOrHex, std::numeric_limits<T>::max());
  if (!value) return std::nullopt;
  return static_cast<T>(*value);
}

}  // namespace

std::string HandlerUsage() {
  return "usage: drivesmith-tcmu-drive --uio /dev/uioN [options]\n"
         "Serves a simulated optical drive to the kernel's user-space SCSI target.\n"
         "  --layout 1|2            flash layout in MiB (default 2)\n"
         "  --revision TEXT         normal-mode revision (4 characters)\n"
         "  --phase-ms N            duration of each phase of the flash work\n"
         "  --seed N                seed of the old firmware in the flash\n"
         "  --trace FILE            every command, one line each\n"
         "  --flash FILE            the flash, rewritten whenever its work ends and at exit\n"
         "drive faults:\n"
         "  --refuse-12-byte        the 12-byte TransferData is refused\n"
         "  --wrong-sum             the drive's sum check fails\n"
         "  --never-finish          the flash work never ends\n"
         "  --work-error ASC        the flash work fails with ASC\n"
         "  --fail-command N        the N-th command (from 0) fails with ASC 0x44\n"
         "  --stop-after N          from the N-th command (from 0) on, nothing is answered\n"
         "device faults:\n"
         "  --stop-at-block N       nothing is answered after N TransferData blocks\n"
         "  --hold-block N          TransferData block N (from 0) is answered 1.5 s late\n"
         "  --fail-area AREA        the first block of AREA is refused once (ASC 0x44)\n"
         "  --descriptor-sense      sense data in descriptor format\n";
}

bool ParseHandlerOptions(const std::vector<std::string>& arguments, HandlerOptions& options,
                         std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= arguments.size()) {
        error = name + " needs a value";
        return std::nullopt;
      }
      return arguments[++i];
    };
    auto number = [&]<typename T>(T& into) -> bool {
      const std::optional<std::string> text = value();
      if (!text) return false;
      const std::optional<T> parsed = ParseNumber<T>(*text);
      if (!parsed) {
        error = name + ": not a number: " + *text;
        return false;
      }
      into = *parsed;
      return true;
    };
    sim::DriveFaults& faults = options.model.faults;
    if (name == "--help" || name == "-h") {
      options.help = true;
    } else if (name == "--uio" || name == "--trace" || name == "--flash" || name == "--revision") {
      const std::optional<std::string> text = value();
      if (!text) return false;
      if (name == "--uio") options.uioNode = *text;
      if (name == "--trace") options.traceFile = *text;
      if (name == "--flash") options.flashFile = *text;
      if (name == "--revision") options.model.revision = *text;
    } else if (name == "--layout") {
      unsigned mib = 0;
      if (!number(mib)) return false;
      if (mib != 1 && mib != 2) {
        error = "--layout takes 1 or 2";
        return false;
      }
      options.model.layout =
          mib == 1 ? sim::LoaderLayout::OneMegabyte : sim::LoaderLayout::TwoMegabyte;
    } else if (name == "--phase-ms") {
      unsigned ms = 0;
      if (!number(ms)) return false;
      options.model.phaseDuration = std::chrono::milliseconds(ms);
    } else if (name == "--seed") {
      if (!number(options.model.initialFlashSeed)) return false;
    } else if (name == "--refuse-12-byte") {
      faults.refuse12ByteTransfer = true;
    } else if (name == "--wrong-sum") {
      faults.reportWrongSum = true;
    } else if (name == "--never-finish") {
      faults.neverFinish = true;
    } else if (name == "--work-error") {
      std::uint8_t asc = 0;
      if (!number(asc)) return false;
      faults.workErrorAsc = asc;
    } else if (name == "--fail-command" || name == "--stop-after" || name == "--stop-at-block" ||
               name == "--hold-block") {
      int n = 0;
      if (!number(n)) return false;
      if (name == "--fail-command") faults.failCommandNumber = n;
      if (name == "--stop-after") faults.stopRespondingAfter = n;
      if (name == "--stop-at-block") options.deviceFaults.stopAtBlock = n;
      if (name == "--hold-block") options.deviceFaults.holdBlock = n;
    } else if (name == "--fail-area") {
      std::uint8_t area = 0;
      if (!number(area)) return false;
      options.deviceFaults.failFirstBlockOfArea = area;
    } else if (name == "--descriptor-sense") {
      options.deviceFaults.descriptorSense = true;
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (!options.help && options.uioNode.empty()) {
    error = "--uio is required";
    return false;
  }
  return true;
}

}  // namespace drivesmith::tcmu
