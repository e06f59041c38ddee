#include "tests/support/FakeAspiLayer.h"

#include <algorithm>

namespace drivesmith::testing {

AspiReply AspiReply::Sense(std::uint8_t asc, std::uint8_t ascq, When when) {
  AspiReply reply{when, aspi::kStatusError, {}, {}};
  reply.sense[0] = 0x70;
  reply.sense[2] = 0x05;
  reply.sense[7] = 0x0A;
  reply.sense[12] = asc;
  reply.sense[13] = ascq;
  return reply;
}

AspiReply AspiReply::Data(std::vector<std::uint8_t> bytes, When when) {
  return AspiReply{when, aspi::kStatusCompleted, {}, std::move(bytes)};
}

FakeAspiLayer::FakeAspiLayer(std::shared_ptr<int> liveCounter)
    : liveInstances(std::move(liveCounter)) {
  ++*liveInstances;
}

FakeAspiLayer::~FakeAspiLayer() { --*liveInstances; }

std::size_t FakeAspiLayer::UnreleasedEvents() const {
  return static_cast<std::size_t>(std::count_if(events.begin(), events.end(),
                                                [](const auto& e) { return !e.second.released; }));
}

FakeAspiEvent* FakeAspiLayer::Find(AspiEvent event, const char* operation) {
  auto it = events.find(event);
  if (it == events.end()) {
    misuse.push_back(std::string(operation) + " on an unknown event");
    return nullptr;
  }
  if (it->second.released) {
    misuse.push_back(std::string(operation) + " on a released event");
    return nullptr;
  }
  return &it->second;
}

AspiEvent FakeAspiLayer::CreateCompletionEvent() {
  if (failEventCreation) return kNoEvent;
  ++eventsCreated;
  const AspiEvent event = nextEvent_++;
  events[event] = FakeAspiEvent{};
  return event;
}

std::uint32_t FakeAspiLayer::SendCommand(SrbExecScsiCmd* srb) {
  if (beforeSend) beforeSend(received.size());
  ReceivedAspiCommand command;
  command.srb = *srb;
  command.live = srb;
  command.event = reinterpret_cast<AspiEvent>(srb->SRB_PostProc);
  if (srb->SRB_BufPointer != nullptr) {
    command.dataOut.assign(srb->SRB_BufPointer, srb->SRB_BufPointer + srb->SRB_BufLen);
  }
  if (!replies_.empty()) {
    command.reply = std::move(replies_.front());
    replies_.pop_front();
  }
  received.push_back(std::move(command));
  ReceivedAspiCommand& stored = received.back();
  if (stored.reply.when == AspiReply::When::OnSend) Complete(stored, stored.reply, false);
  return srb->SRB_Status;
}

void FakeAspiLayer::Complete(ReceivedAspiCommand& command, const AspiReply& reply, bool signal) {
  SrbExecScsiCmd& srb = *command.live;
  const std::size_t n = std::min<std::size_t>(reply.dataIn.size(), srb.SRB_BufLen);
  std::copy_n(reply.dataIn.begin(), n, srb.SRB_BufPointer);
  std::copy(reply.sense.begin(), reply.sense.end(), srb.SenseArea);
  srb.SRB_Status = reply.status;
  command.completed = true;
  if (signal) {
    if (FakeAspiEvent* e = Find(command.event, "signal")) e->signalled = true;
  }
}

void FakeAspiLayer::CompleteLate(std::size_t index, const AspiReply& reply) {
  Complete(received.at(index), reply, true);
}

bool FakeAspiLayer::WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) {
  FakeAspiEvent* e = Find(event, "wait");
  if (e == nullptr) return false;
  e->waits.push_back(timeout);
  if (!e->signalled && timeout.count() > 0) {
    for (ReceivedAspiCommand& command : received) {
      if (command.event != event || command.completed) continue;
      if (command.reply.when == AspiReply::When::OnWait) {
        Complete(command, command.reply, true);
      } else if (command.reply.when == AspiReply::When::SignalOnly) {
        e->signalled = true;
      }
    }
  }
  if (!e->signalled) return false;
  e->signalled = false;  // automatic reset
  return true;
}

void FakeAspiLayer::ResetCompletionEvent(AspiEvent event) {
  if (FakeAspiEvent* e = Find(event, "reset")) {
    e->signalled = false;
    ++e->resets;
  }
}

void FakeAspiLayer::ReleaseCompletionEvent(AspiEvent event) {
  if (FakeAspiEvent* e = Find(event, "release")) e->released = true;
}

bool FakeAspiLayer::HasEntryPoint(std::string_view name) {
  entryPointLookups.emplace_back(name);
  if (lookupLog) lookupLog->emplace_back(name);
  return !missingEntryPoints.contains(name);
}

}  // namespace drivesmith::testing
