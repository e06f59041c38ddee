#pragma once
// SendRequest and its two transports.

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "transport/AspiLayer.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"
#include "transport/TransportMode.h"

namespace drivesmith {

inline constexpr std::chrono::milliseconds kAspiCompletionTimeout{5000};

class ScsiTransport {
 public:
  // `aspi` is used with TransportMode::Aspi, `passThrough` otherwise; the one
  // not used may be null. Both must outlive the transport.
  //
  // Each ASPI command runs in a slot of its own (execute block and data
  // buffer); results are copied into the request only when the command
  // completed within the wait. A command abandoned at the time-out keeps its
  // slot and event until the layer has both given it a final status and
  // signalled its event, which later commands check; so a late completion
  // never reaches the request, and no signal reaches a released event.
  ScsiTransport(TransportMode mode, AspiLayer* aspi, PassThroughLayer* passThrough);
  ~ScsiTransport();
  ScsiTransport(const ScsiTransport&) = delete;
  ScsiTransport& operator=(const ScsiTransport&) = delete;

  TransportMode Mode() const { return mode_; }

  // Executes `request` through the selected transport. `dataLength` is 0 to
  // 16384. Returns 1 when the drive completed with good status, 0 otherwise;
  // leaves the request's ASC and ASCQ as the transport's outcome says.
  int SendRequest(ScsiRequest& request, std::int32_t dataLength);
  int SendRequestAspi(ScsiRequest& request, std::int32_t dataLength);
  int SendRequestPassThrough(ScsiRequest& request, std::int32_t dataLength);

  // ASPI commands whose slot and event are held until the layer has finished
  // with them: those abandoned at the time-out, and completed ones whose
  // event has not been signalled yet.
  std::size_t AbandonedAspiCommands() const;

 private:
  struct AspiCommand;
  void ReapAbandonedCommands();

  TransportMode mode_;
  AspiLayer* aspi_;
  PassThroughLayer* passThrough_;
  std::vector<std::unique_ptr<AspiCommand>> abandoned_;
  // The slot that the next ASPI command uses; replaced when one is abandoned.
  std::unique_ptr<AspiCommand> idleCommand_;
};

}  // namespace drivesmith
