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

// No command leaves an earlier command's sense codes behind: a command that
// fails without reaching a status (no event, a wait that ran out, a device
// that does not open) reads as a failure without sense data.
int ScsiTransport::SendRequest(ScsiRequest& request, std::int32_t dataLength) {
  ClearSenseCodes(request);
  if (mode_ == TransportMode::Aspi) return SendRequestAspi(request, dataLength);
  return SendRequestPassThrough(request, dataLength);
}

void ScsiTransport::ReapAbandonedCommands() {
  if (aspi_ == nullptr) return;
  // These commands were still pending when the layer returned, so it took
  // them to finish later, and for such a command it signals the event after
  // writing the final status. The layer is done with one once it has done
  // both. A final status alone is not enough: the signal may still be on its
  // way, and an event closed before it would be signalled after its handle
  // was closed or given to the next command's event. A signal alone is not
  // enough either (a wait can end without completion). A command whose
  // signal the reset at the time-out swallowed never shows both, and stays
  // until the end of the run, counting against the limit.
  std::erase_if(abandoned_, [this](const std::unique_ptr<AspiCommand>& command) {
    if (CurrentStatus(command->srb) == aspi::kStatusPending) return false;
    if (!HasSignalled(*aspi_, command->event)) return false;
    aspi_->ReleaseCompletionEvent(command->event);
    return true;
  });
}

int ScsiTransport::SendRequestAspi(ScsiRequest& request, std::int32_t dataLength) {
  if (aspi_ == nullptr || !IsValidDataLength(dataLength)) return 0;
  // Only commands abandoned while pending are held, and never more than the
  // limit, so this look costs a bounded amount per command. A manager that
  // holds that many unfinished commands gets no more until it finishes one:
  // the command fails the way a command without an event does, before it
  // reaches the layer, without sense data.
  ReapAbandonedCommands();
  if (abandoned_.size() >= kAbandonedAspiCommandLimit) return 0;

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

  if (CurrentStatus(command.srb) == aspi::kStatusPending) {
    if (!aspi_->WaitForCompletion(event, kAspiCompletionTimeout)) {
      aspi_->ResetCompletionEvent(event);
      abandoned_.push_back(std::move(idleCommand_));
      return 0;
    }
    if (CurrentStatus(command.srb) == aspi::kStatusPending) {
      // Signalled without a final status: the layer may still hold the command.
      abandoned_.push_back(std::move(idleCommand_));
      return 0;
    }
  }

  // A final status is the layer's last write to the block and the data
  // buffer, so the command is finished whether or not its event has been
  // signalled: a manager that completes a command within SendASPI32Command
  // need not signal at all. Its event is released now and its slot serves
  // the next command, which gets an event of its own, created unsignalled.
  aspi_->ReleaseCompletionEvent(event);
  srb.SRB_Status = command.srb.SRB_Status;
  srb.SRB_HaStat = command.srb.SRB_HaStat;
  srb.SRB_TargStat = command.srb.SRB_TargStat;
  std::copy_n(command.srb.SenseArea, aspi::kSenseLength, srb.SenseArea);
  if ((srb.SRB_Flags & aspi::kFlagDataIn) != 0) {
    std::copy_n(command.data.begin(), length, request.Data());
  }

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
    if (!device) return 0;
    status = device->Issue(command);
  }  // closes the device: no handle stays open between commands

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
