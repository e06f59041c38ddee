#include "simulator/FaultCatalogue.h"

#include <array>
#include <cstdint>
#include <map>
#include <utility>

namespace drivesmith::sim {

namespace {

// The command from which a drive with StopResponding falls silent: after
// discovery and preparation, in the middle of the transfer.
constexpr int kStopRespondingCommand = 40;
// The ASC of failing flash work.
constexpr std::uint8_t kWorkErrorAsc = 0x44;
// Blocks that the drive refuses ("medium not present") before taking them,
// and how often.
const std::map<int, int> kRefusedBlocks = {{0, 2}, {7, 1}, {100, 3}};

constexpr std::array<std::pair<std::string_view, Fault>, 6> kFaultNames{{
    {"refuse-12-byte", Fault::Refuse12Byte},
    {"wrong-sum", Fault::WrongSum},
    {"stop-responding", Fault::StopResponding},
    {"never-finish", Fault::NeverFinish},
    {"work-error", Fault::WorkError},
    {"medium-not-present", Fault::MediumNotPresent},
}};

}  // namespace

std::optional<Fault> FaultNamed(std::string_view name) {
  for (const auto& [faultName, fault] : kFaultNames) {
    if (faultName == name) return fault;
  }
  return std::nullopt;
}

DriveModel DriveModelWithFaults(LoaderLayout layout, const std::vector<Fault>& faults,
                                std::size_t index) {
  DriveModel model;
  model.layout = layout;
  model.initialFlashSeed = 1 + index;
  for (const Fault fault : faults) {
    switch (fault) {
      case Fault::Refuse12Byte:
        model.faults.refuse12ByteTransfer = true;
        break;
      case Fault::WrongSum:
        model.faults.reportWrongSum = true;
        break;
      case Fault::StopResponding:
        model.faults.stopRespondingAfter = kStopRespondingCommand;
        break;
      case Fault::NeverFinish:
        model.faults.neverFinish = true;
        break;
      case Fault::WorkError:
        model.faults.workErrorAsc = kWorkErrorAsc;
        break;
      case Fault::MediumNotPresent:
        model.faults.mediumNotPresentBeforeBlock = kRefusedBlocks;
        break;
    }
  }
  return model;
}

}  // namespace drivesmith::sim
