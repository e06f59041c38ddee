#include "transport/ScsiTransport.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <span>

// GCC says it builds with AddressSanitizer through a macro, clang through a
// feature test.
#if defined(__SANITIZE_ADDRESS__)
#define DRIVESMITH_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRIVESMITH_LEAK_CHECKED 1
#endif
#endif

#if defined(DRIVESMITH_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>
#endif

namespace drivesmith {

// One ASPI command as the ASPI layer sees it. The layer gets the slot's own
// execute block and data buffer, never the request record's, so that a
// command abandoned at the time-out can complete late without writing into the
// record, its data buffer or the results of a later command. The results are
// copied into the record only when the command completed within the wait.
struct ScsiTransport::AspiCommand {
  SrbExecScsiCmd srb{};
  std::array<std::uint8_t, passthrough::kDataCapacity> data{};
  AspiEvent event = kNoEvent;
};

namespace {

// The ASPI layer completes a command from a thread of its own, which writes
// SRB_Status and then signals the event: each look at the status reads the
// block afresh.
std::uint8_t CurrentStatus(SrbExecScsiCmd& srb) {
  return std::atomic_ref<std::uint8_t>(srb.SRB_Status).load(std::memory_order_acquire);
}

// A zero-length wait: whether the layer has signalled the event since the
// last wait or reset took the signal.
bool HasSignalled(AspiLayer& aspi, AspiEvent event) {
  return aspi.WaitForCompletion(event, std::chrono::milliseconds{0});
}

bool IsValidDataLength(std::int32_t dataLength) {
  return dataLength >= 0 && dataLength <= kMaxDataLength;
}

void ClearSenseCodes(ScsiRequest& request) {
  request.asc = 0;
  request.ascq = 0;
}

PassThroughDirection DirectionOf(std::uint8_t srbFlags) {
  switch (srbFlags) {
    case aspi::kFlagDataOut:
      return PassThroughDirection::Out;
    case aspi::kFlagDataIn:
      return PassThroughDirection::In;
    default:
      return PassThroughDirection::None;
  }
}

}  // namespace

ScsiTransport::ScsiTransport(TransportMode mode, AspiLayer* aspi, PassThroughLayer* passThrough)
    : mode_(mode), aspi_(aspi), passThrough_(passThrough) {}

// Commands still abandoned here may yet be completed by the ASPI layer, which
// would then write into their slots and signal their events. Those that have
// completed are released; the others are left allocated, event included, for
// the layer to finish with, since freeing them could let a late completion
// write into freed memory. This happens at most once per run, when the
// program ends.
ScsiTransport::~ScsiTransport() {
  ReapAbandonedCommands();
  for (auto& command : abandoned_) {
    AspiCommand* kept = command.release();
#if defined(DRIVESMITH_LEAK_CHECKED)
    __lsan_ignore_object(kept);
#else
    static_cast<void>(kept);
#endif
  }
}

std::size_t ScsiTransport::AbandonedAspiCommands() const { return abandoned_.size(); }

int ScsiTransport::SendRequest(ScsiRequest& request, std::int32_t dataLength) {
  if (mode_ == TransportMode::Aspi) return SendRequestAspi(request, dataLength);
  return SendRequestPassThrough(request, dataLength);
}

void ScsiTransport::ReapAbandonedCommands() {
  if (aspi_ == nullptr) return;
  // The layer is done with a command once it has both written the final
  // status and signalled the event, in that order. A final status alone is
  // not enough: the signal may still be on its way, and an event closed
  // before it would be signalled after its handle was closed or given to
  // the next command's event. A signal alone is not enough either (a wait
  // can end without completion). A command whose signal the reset at the
  // time-out swallowed never shows both, and stays until the end of the run.
  std::erase_if(abandoned_, [this](const std::unique_ptr<AspiCommand>& command) {
    if (CurrentStatus(command->srb) == aspi::kStatusPending) return false;
    if (!HasSignalled(*aspi_, command->event)) return false;
    aspi_->ReleaseCompletionEvent(command->event);
    return true;
  });
}

int ScsiTransport::SendRequestAspi(ScsiRequest& request, std::int32_t dataLength) {
  if (aspi_ == nullptr || !IsValidDataLength(dataLength)) {
    ClearSenseCodes(request);
    return 0;
  }
  ReapAbandonedCommands();

  const AspiEvent event = aspi_->CreateCompletionEvent();
  if (event == kNoEvent) return 0;

  const auto length = static_cast<std::uint32_t>(dataLength);
  SrbExecScsiCmd& srb = request.aspi;
  srb.SRB_Flags = static_cast<std::uint8_t>(srb.SRB_Flags | aspi::kFlagEventNotify);
  srb.SRB_Cmd = aspi::kExecScsiCommand;
  srb.SRB_Status = aspi::kStatusPending;
  srb.SRB_Lun = 0;
  srb.SRB_BufPointer = request.Data();
  srb.SRB_BufLen = length;
  srb.SRB_SenseLen = aspi::kSenseLength;
  srb.SRB_PostProc = reinterpret_cast<void*>(event);

  if (!idleCommand_) idleCommand_ = std::make_unique<AspiCommand>();
  AspiCommand& command = *idleCommand_;
  command.event = event;
  command.srb = srb;
  command.srb.SRB_BufPointer = command.data.data();
  std::copy_n(request.Data(), length, command.data.begin());

  aspi_->SendCommand(&command.srb);

  bool completed = CurrentStatus(command.srb) != aspi::kStatusPending;
  // Whether the layer has signalled the event for this completion yet.
  bool signalled = false;
  if (!completed) {
    if (!aspi_->WaitForCompletion(event, kAspiCompletionTimeout)) {
      aspi_->ResetCompletionEvent(event);
      abandoned_.push_back(std::move(idleCommand_));
      return 0;
    }
    signalled = true;
    completed = CurrentStatus(command.srb) != aspi::kStatusPending;
  }

  ClearSenseCodes(request);
  if (!completed) {
    // Signalled without a final status: the layer may still hold the command.
    abandoned_.push_back(std::move(idleCommand_));
    return 0;
  }

  // Final on return without a wait: a layer that completes on its own thread
  // may not have signalled yet. Its results are final, but its slot and event
  // wait with the abandoned commands until the signal has come.
  std::unique_ptr<AspiCommand> finished;
  if (!signalled && !HasSignalled(*aspi_, event)) {
    finished = std::move(idleCommand_);
  } else {
    aspi_->ReleaseCompletionEvent(event);
  }

  srb.SRB_Status = command.srb.SRB_Status;
  srb.SRB_HaStat = command.srb.SRB_HaStat;
  srb.SRB_TargStat = command.srb.SRB_TargStat;
  std::copy_n(command.srb.SenseArea, aspi::kSenseLength, srb.SenseArea);
  if ((srb.SRB_Flags & aspi::kFlagDataIn) != 0) {
    std::copy_n(command.data.begin(), length, request.Data());
  }
  if (finished) abandoned_.push_back(std::move(finished));

  switch (srb.SRB_Status) {
    case aspi::kStatusCompleted:
      return 1;
    case aspi::kStatusError:
      request.asc = srb.SenseArea[scsi::kSenseAscByte];
      request.ascq = srb.SenseArea[scsi::kSenseAscqByte];
      return 0;
    default:
      return 0;
  }
}

int ScsiTransport::SendRequestPassThrough(ScsiRequest& request, std::int32_t dataLength) {
  const SrbExecScsiCmd& srb = request.aspi;
  // The drive commands write command-block bytes 0 to 11; the rest go as 0.
  std::array<std::uint8_t, sizeof srb.CDBByte> commandBlock{};
  if (passThrough_ == nullptr || !IsValidDataLength(dataLength) ||
      srb.SRB_CDBLen > commandBlock.size()) {
    ClearSenseCodes(request);
    return 0;
  }
  std::copy_n(srb.CDBByte, 12, commandBlock.begin());
  std::array<std::uint8_t, passthrough::kSenseLength> sense{};
  const PassThroughRequest command{
      std::span<const std::uint8_t>(commandBlock).first(srb.SRB_CDBLen), DirectionOf(srb.SRB_Flags),
      std::span<std::uint8_t>(request.Data(), static_cast<std::size_t>(dataLength)), sense,
      passthrough::kTimeOut};

  std::uint8_t status = kPassThroughStatusUnset;
  {
    std::unique_ptr<PassThroughDevice> device = passThrough_->Open({mode_, request.driveIndex});
    if (!device) {
      ClearSenseCodes(request);
      return 0;
    }
    status = device->Issue(command);
  }  // closes the device: no handle stays open between commands

  ClearSenseCodes(request);
  switch (status) {
    case scsi::kStatusGood:
      return 1;
    case scsi::kStatusCheckCondition:
      request.asc = sense[scsi::kSenseAscByte];
      request.ascq = sense[scsi::kSenseAscqByte];
      return 0;
    default:
      return 0;
  }
}

}  // namespace drivesmith
