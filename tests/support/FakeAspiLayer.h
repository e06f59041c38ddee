#pragma once
// A scripted stand-in for "WNASPI32.DLL": records every execute block it gets
// and completes each command as the test says: before SendCommand returns,
// final on return but signalled only later (as from the layer's own thread),
// during the wait, with a signal but no final status, or never (until late).

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "transport/AspiLayer.h"

namespace drivesmith::testing {

struct AspiReply {
  enum class When { OnSend, OnSendSignalLater, OnWait, SignalOnly, Never };
  When when = When::OnSend;
  std::uint8_t status = aspi::kStatusCompleted;
  std::array<std::uint8_t, aspi::kSenseLength> sense{};
  std::vector<std::uint8_t> dataIn;  // written at the start of the data buffer

  static AspiReply Completed(When when = When::OnSend) { return {when, 1, {}, {}}; }
  static AspiReply Sense(std::uint8_t asc, std::uint8_t ascq, When when = When::OnSend) {
    AspiReply reply{when, aspi::kStatusError, {}, {}};
    reply.sense[12] = asc;
    reply.sense[13] = ascq;
    return reply;
  }
  static AspiReply Data(std::vector<std::uint8_t> bytes, When when = When::OnSend) {
    return {when, aspi::kStatusCompleted, {}, std::move(bytes)};
  }
};

struct ReceivedAspiCommand {
  SrbExecScsiCmd srb{};            // the block as it stood on the call
  SrbExecScsiCmd* live = nullptr;  // the block the layer completes
  AspiEvent event = kNoEvent;
  AspiReply reply;
  bool completed = false;
};

struct FakeAspiEvent {
  bool signalled = false;
  bool released = false;
};

class FakeAspiLayer : public AspiLibrary {
 public:
  void Reply(AspiReply reply) { replies_.push_back(std::move(reply)); }
  bool failEventCreation = false;
  std::uint32_t supportInfo = 0x0100;
  std::string missingEntryPoint;
  std::function<void(std::size_t)> beforeSend;  // gets the index the command will have
  std::shared_ptr<void> owner;                  // whoever handed the layer out as a library

  std::vector<ReceivedAspiCommand> received;
  std::vector<FakeAspiEvent> events;  // event handle n is events[n - 1]
  int misuse = 0;                     // operations on unknown or released events

  FakeAspiEvent& EventOf(std::size_t command) { return events.at(received.at(command).event - 1); }
  // Completes command `index` now as `reply` says, and signals its event
  // unless `signal` is false.
  void CompleteLate(std::size_t index, const AspiReply& reply, bool signal = true) {
    Complete(received.at(index), reply, signal);
  }
  // Signals the event of command `index`, as the layer does after writing.
  void SignalLate(std::size_t index) {
    if (FakeAspiEvent* e = Find(received.at(index).event)) e->signalled = true;
  }

  std::uint32_t GetSupportInfo() override { return supportInfo; }
  std::uint32_t SendCommand(SrbExecScsiCmd* srb) override {
    if (beforeSend) beforeSend(received.size());
    ReceivedAspiCommand& command = received.emplace_back();
    command.srb = *srb;
    command.live = srb;
    command.event = reinterpret_cast<AspiEvent>(srb->SRB_PostProc);
    if (nextReply_ < replies_.size()) command.reply = replies_[nextReply_++];
    if (command.reply.when == AspiReply::When::OnSend) Complete(command, command.reply, true);
    if (command.reply.when == AspiReply::When::OnSendSignalLater)
      Complete(command, command.reply, false);
    return srb->SRB_Status;
  }
  AspiEvent CreateCompletionEvent() override {
    if (failEventCreation) return kNoEvent;
    events.emplace_back();
    return events.size();
  }
  bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds) override {
    FakeAspiEvent* e = Find(event);
    for (ReceivedAspiCommand& command : received) {
      if (e == nullptr || command.event != event || command.completed) continue;
      if (command.reply.when == AspiReply::When::OnWait) Complete(command, command.reply, true);
      if (command.reply.when == AspiReply::When::SignalOnly) e->signalled = true;
    }
    return e != nullptr && std::exchange(e->signalled, false);  // automatic reset
  }
  void ResetCompletionEvent(AspiEvent event) override {
    if (FakeAspiEvent* e = Find(event)) e->signalled = false;
  }
  void ReleaseCompletionEvent(AspiEvent event) override {
    if (FakeAspiEvent* e = Find(event)) e->released = true;
  }
  bool HasEntryPoint(std::string_view name) override { return name != missingEntryPoint; }

 private:
  FakeAspiEvent* Find(AspiEvent event) {
    if (event >= 1 && event <= events.size() && !events[event - 1].released)
      return &events[event - 1];
    ++misuse;
    return nullptr;
  }
  void Complete(ReceivedAspiCommand& command, const AspiReply& reply, bool signal) {
    SrbExecScsiCmd& srb = *command.live;
    std::copy_n(reply.dataIn.begin(), std::min<std::size_t>(reply.dataIn.size(), srb.SRB_BufLen),
                srb.SRB_BufPointer);
    std::copy(reply.sense.begin(), reply.sense.end(), srb.SenseArea);
    srb.SRB_Status = reply.status;
    command.completed = true;
    if (FakeAspiEvent* e = signal ? Find(command.event) : nullptr) e->signalled = true;
  }

  std::vector<AspiReply> replies_;
  std::size_t nextReply_ = 0;
};

}  // namespace drivesmith::testing
