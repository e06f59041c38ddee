#pragma once
// A scripted stand-in for "WNASPI32.DLL": records every execute block and
// event operation it receives and completes commands as the test says, at
// once, during the wait, never, or late on the test's call.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "transport/AspiLayer.h"

namespace drivesmith::testing {

struct AspiReply {
  enum class When {
    OnSend,      // final status before SendCommand returns
    OnWait,      // completes and signals during the transport's wait
    SignalOnly,  // signals during the wait but leaves the status pending
    Never,       // the wait runs out; the test may complete it later
  };
  When when = When::OnSend;
  std::uint8_t status = aspi::kStatusCompleted;
  std::array<std::uint8_t, aspi::kSenseLength> sense{};
  std::vector<std::uint8_t> dataIn;  // written at the start of the data buffer

  static AspiReply Completed(When when = When::OnSend) {
    return AspiReply{when, aspi::kStatusCompleted, {}, {}};
  }
  static AspiReply Status(std::uint8_t status, When when = When::OnSend) {
    return AspiReply{when, status, {}, {}};
  }
  static AspiReply Sense(std::uint8_t asc, std::uint8_t ascq, When when = When::OnSend);
  static AspiReply Data(std::vector<std::uint8_t> bytes, When when = When::OnSend);
};

// What the layer received with one SendCommand.
struct ReceivedAspiCommand {
  SrbExecScsiCmd srb{};               // the block as it stood on the call
  SrbExecScsiCmd* live = nullptr;     // the block the layer completes
  std::vector<std::uint8_t> dataOut;  // the first SRB_BufLen bytes of its buffer on the call
  AspiEvent event = kNoEvent;         // taken from SRB_PostProc
  AspiReply reply;
  bool completed = false;
};

struct FakeAspiEvent {
  bool signalled = false;
  bool released = false;
  int resets = 0;
  std::vector<std::chrono::milliseconds> waits;
};

class FakeAspiLayer : public AspiLibrary {
 public:
  // `liveCounter` counts the instances alive; shared with whoever wants to
  // know when the library is released.
  explicit FakeAspiLayer(std::shared_ptr<int> liveCounter = std::make_shared<int>(0));
  ~FakeAspiLayer() override;

  // Scripting.
  void Reply(AspiReply reply) { replies_.push_back(std::move(reply)); }
  bool failEventCreation = false;
  std::uint32_t supportInfo = 0x0100;
  std::set<std::string, std::less<>> missingEntryPoints;
  // Called at the start of SendCommand with the index the command will get.
  std::function<void(std::size_t)> beforeSend;

  // Completes command `index` as `reply` says, now: writes its status, sense
  // data and incoming data into the block and buffer the layer was given and
  // signals its event.
  void CompleteLate(std::size_t index, const AspiReply& reply);

  // Records.
  std::vector<ReceivedAspiCommand> received;
  std::map<AspiEvent, FakeAspiEvent> events;
  std::vector<std::string> entryPointLookups;
  // When set, lookups are recorded here too (outlives the library).
  std::shared_ptr<std::vector<std::string>> lookupLog;
  std::vector<std::string> misuse;  // operations on unknown or released events
  int eventsCreated = 0;
  std::shared_ptr<int> liveInstances;

  std::size_t UnreleasedEvents() const;

  // AspiLibrary
  std::uint32_t GetSupportInfo() override { return supportInfo; }
  std::uint32_t SendCommand(SrbExecScsiCmd* srb) override;
  AspiEvent CreateCompletionEvent() override;
  bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) override;
  void ResetCompletionEvent(AspiEvent event) override;
  void ReleaseCompletionEvent(AspiEvent event) override;
  bool HasEntryPoint(std::string_view name) override;

 private:
  FakeAspiEvent* Find(AspiEvent event, const char* operation);
  void Complete(ReceivedAspiCommand& command, const AspiReply& reply, bool signal);

  std::deque<AspiReply> replies_;
  AspiEvent nextEvent_ = 1;
};

}  // namespace drivesmith::testing
