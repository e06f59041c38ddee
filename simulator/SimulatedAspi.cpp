#include "simulator/SimulatedAspi.h"

#include <algorithm>
#include <set>

namespace drivesmith::sim {

SimulatedAspi::SimulatedAspi(drivesmith::Clock& clock) : clock_(clock) {}

void SimulatedAspi::Attach(std::uint8_t hostAdapter, std::uint8_t target, SimulatedDrive& drive) {
  drives_[{hostAdapter, target}] = &drive;
}

std::uint32_t SimulatedAspi::GetSupportInfo() {
  if (supportInfo_) return *supportInfo_;
  std::set<std::uint8_t> adapters;
  for (const auto& [address, drive] : drives_) adapters.insert(address.first);
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(adapters.size(), 0xFF));
  return (std::uint32_t{aspi::kStatusCompleted} << 8) | count;
}

std::uint32_t SimulatedAspi::SendCommand(SrbExecScsiCmd* srb) {
  if (srb == nullptr) return aspi_status::kInvalidCommand;
  if (srb->SRB_Cmd != aspi::kExecScsiCommand) {
    srb->SRB_Status = aspi_status::kInvalidCommand;
    return srb->SRB_Status;
  }
  const auto found = drives_.find({srb->SRB_HaId, srb->SRB_Target});
  if (found == drives_.end() || srb->SRB_Lun != 0) {
    srb->SRB_Status = aspi_status::kNoDevice;
    return srb->SRB_Status;
  }

  const std::size_t cdbLength = std::min<std::size_t>(srb->SRB_CDBLen, sizeof srb->CDBByte);
  DataDirection direction = DataDirection::None;
  switch (srb->SRB_Flags & (aspi::kFlagDataIn | aspi::kFlagDataOut)) {
    case aspi::kFlagDataIn:
      direction = DataDirection::In;
      break;
    case aspi::kFlagDataOut:
      direction = DataDirection::Out;
      break;
    default:
      break;
  }
  std::span<std::uint8_t> data;
  if (srb->SRB_BufPointer != nullptr) data = {srb->SRB_BufPointer, srb->SRB_BufLen};
  if (direction == DataDirection::None) data = {};

  srb->SRB_Status = aspi::kStatusPending;
  const CommandOutcome outcome = found->second->Execute({srb->CDBByte, cdbLength}, direction, data);
  if (!outcome.answered) {
    // The block stays pending and its event is never signalled.
    return aspi::kStatusPending;
  }
  srb->SRB_HaStat = 0;
  srb->SRB_TargStat = outcome.status;
  if (outcome.status == kStatusGood) {
    srb->SRB_Status = aspi::kStatusCompleted;
  } else {
    const std::size_t senseLength =
        std::min<std::size_t>({srb->SRB_SenseLen, sizeof srb->SenseArea, outcome.sense.size()});
    std::copy_n(outcome.sense.begin(), senseLength, srb->SenseArea);
    srb->SRB_Status = aspi::kStatusError;
  }
  if ((srb->SRB_Flags & aspi::kFlagEventNotify) != 0 && signalCompletions_) {
    if (EventState* event = FindEvent(reinterpret_cast<AspiEvent>(srb->SRB_PostProc))) {
      event->signalled = true;
    }
  }
  return srb->SRB_Status;
}

SimulatedAspi::EventState* SimulatedAspi::FindEvent(AspiEvent event) {
  const auto found = events_.find(event);
  return found == events_.end() ? nullptr : &found->second;
}

AspiEvent SimulatedAspi::CreateCompletionEvent() {
  const AspiEvent event = nextEvent_++;
  events_[event] = EventState{};
  mostEventsOpen_ = std::max(mostEventsOpen_, events_.size());
  return event;
}

bool SimulatedAspi::WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) {
  EventState* state = FindEvent(event);
  if (state != nullptr && state->signalled) {
    state->signalled = false;  // automatic reset
    return true;
  }
  clock_.Sleep(timeout);
  return false;
}

void SimulatedAspi::ResetCompletionEvent(AspiEvent event) {
  if (EventState* state = FindEvent(event)) state->signalled = false;
}

void SimulatedAspi::ReleaseCompletionEvent(AspiEvent event) { events_.erase(event); }

bool SimulatedAspi::HasEntryPoint(std::string_view name) {
  if (missingEntries_.contains(name)) return false;
  return name == kGetSupportInfoEntry || name == kSendCommandEntry;
}

}  // namespace drivesmith::sim
