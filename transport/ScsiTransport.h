#pragma once
// SendRequest and its two transports.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "transport/AspiLayer.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"
#include "transport/TransportMode.h"

namespace drivesmith {

inline constexpr std::chrono::milliseconds kAspiCompletionTimeout{5000};
// The most ASPI commands abandoned while still pending that the transport
// holds at once; while it holds this many, commands fail without being sent.
inline constexpr std::size_t kAbandonedAspiCommandLimit = 8;

class ScsiTransport {
 public:
  // `aspi` is used with TransportMode::Aspi, `passThrough` otherwise; the one
  // not used may be null. Both must outlive the transport.
  //
  // Each ASPI command runs in a slot of its own (execute block and data
  // buffer); results are copied into the request only once the command has a
  // final status, on return from the layer or after a wait that ended with a
  // signal. Such a command is finished: its event is released and its slot
  // serves the next command. A command abandoned while still pending (at the
  // time-out, or after a signal without a final status) keeps its slot and
  // event until the layer has both given it a final status and signalled its
  // event, which later commands check; so a late completion never reaches
  // the request, and no late signal reaches a released event. At most
  // kAbandonedAspiCommandLimit commands are held that way; while that many
  // are, further commands fail at once without reaching the layer, so a
  // manager that stops finishing commands costs neither unbounded memory nor
  // unbounded work per command.
  ScsiTransport(TransportMode mode, AspiLayer* aspi, PassThroughLayer* passThrough);
  ~ScsiTransport();
  ScsiTransport(const ScsiTransport&) = delete;
  ScsiTransport& operator=(const ScsiTransport&) = delete;

  TransportMode Mode() const { return mode_; }

  // Executes `request` through the selected transport. `dataLength` is 0 to
  // 16384. Returns 1 when the drive completed with good status, 0 otherwise;
  // leaves the request's ASC and ASCQ as the transport's outcome says.
  int SendRequest(ScsiRequest& request, std::int32_t dataLength);

  // ASPI commands abandoned while still pending whose slot and event are held
  // until the layer has finished with them; at most kAbandonedAspiCommandLimit.
  std::size_t AbandonedAspiCommands() const;

 private:
  struct AspiCommand;
  // The two transports; SendRequest has cleared the sense codes.
  int SendRequestAspi(ScsiRequest& request, std::int32_t dataLength);
  int SendRequestPassThrough(ScsiRequest& request, std::int32_t dataLength);
  void ReapAbandonedCommands();

  TransportMode mode_;
  AspiLayer* aspi_;
  PassThroughLayer* passThrough_;
  std::vector<std::unique_ptr<AspiCommand>> abandoned_;
  // The slot that the next ASPI command uses; replaced when one is abandoned.
  std::unique_ptr<AspiCommand> idleCommand_;
};

}  // namespace drivesmith
