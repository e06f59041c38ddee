// Both transports against layers whose every answer comes from the input:
// ASPI commands that complete at once, during the wait, with a signal but no
// status, never, or late; pass-through devices that fail to open or scribble
// over any part of the buffer they are given.
//
// Input: the mode, then per command: the data length, the command block,
// and the layer's answer.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/FakeAspiLayer.h"
#include "transport/ScsiTransport.h"

namespace {

using namespace drivesmith;
using drivesmith::fuzz::Check;
using drivesmith::fuzz::FuzzInput;

constexpr int kLongestRun = 16;
constexpr std::size_t kLongestReply = 96;
// Completed, aborted, error, invalid command, invalid host adapter, no device.
constexpr std::uint8_t kFinalStatuses[] = {0x01, 0x02, 0x04, 0x80, 0x81, 0x82};

// Opens as the input says; a device overwrites a run of the data or the
// sense bytes it is given, and reports any status.
class ScribblingPassThrough : public PassThroughLayer {
 public:
  explicit ScribblingPassThrough(FuzzInput& input) : input_(input) {}
  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress) override {
    if (input_.Flag()) return nullptr;
    return std::make_unique<Device>(input_);
  }

 private:
  struct Device : PassThroughDevice {
    explicit Device(FuzzInput& in) : input(in) {}
    std::uint8_t Issue(const PassThroughRequest& request) override {
      Check(request.data.size() <= passthrough::kDataCapacity, "the data fits the data buffer");
      Check(request.commandBlock.size() <= 16, "the command block fits its 16 bytes");
      const std::span<std::uint8_t> target = input.Flag() ? request.data : request.sense;
      if (!target.empty()) {
        const std::size_t at = input.Number(2) % target.size();
        const auto run = input.Bytes(std::min<std::size_t>(input.Byte(), target.size() - at));
        std::copy(run.begin(), run.end(), target.begin() + static_cast<std::ptrdiff_t>(at));
      }
      // The statuses the transport tells apart are as likely as any.
      return input.Flag() ? input.Byte() % 4 : input.Byte();
    }
    FuzzInput& input;
  };
  FuzzInput& input_;
};

testing::AspiReply AspiReplyFrom(FuzzInput& input) {
  testing::AspiReply reply;
  reply.when = static_cast<testing::AspiReply::When>(input.Byte() % 4);
  // A final status; a command still pending is what SignalOnly and Never
  // stand for.
  reply.status = kFinalStatuses[input.Byte() % std::size(kFinalStatuses)];
  const auto sense = input.Bytes(reply.sense.size());
  std::copy(sense.begin(), sense.end(), reply.sense.begin());
  const auto dataIn = input.Bytes(input.Byte() % kLongestReply);
  reply.dataIn.assign(dataIn.begin(), dataIn.end());
  return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::uint8_t modeByte = input.Byte() % 3;
  const auto mode = static_cast<TransportMode>(modeByte);
  testing::FakeAspiLayer aspi;
  ScribblingPassThrough passThrough(input);
  if (mode == TransportMode::Aspi) {
    aspi.failEventCreation = input.Byte() == 0xFF;
    for (int i = 0; i < kLongestRun; ++i) aspi.Reply(AspiReplyFrom(input));
  }
  ScsiTransport transport(mode, &aspi, &passThrough);
  ScsiRequest request;
  for (int i = 0; i < kLongestRun && !input.Empty(); ++i) {
    // Lengths just inside and outside the valid range are as likely as any.
    const auto dataLength = static_cast<std::int32_t>(static_cast<std::int16_t>(input.Number(2)) %
                                                      (kMaxDataLength + 64));
    request.aspi.SRB_CDBLen = input.Byte();
    request.aspi.SRB_Flags = input.Byte();
    request.driveIndex = input.Byte();
    const auto cdb = input.Bytes(sizeof request.aspi.CDBByte);
    std::copy(cdb.begin(), cdb.end(), request.aspi.CDBByte);

    const int result = transport.SendRequest(request, dataLength);
    Check(result == 0 || result == 1, "a command reports 1 or 0");
    if (result == 1) Check(request.asc == 0 && request.ascq == 0, "a success carries no sense");
    if (dataLength < 0 || dataLength > kMaxDataLength) {
      Check(result == 0, "a data length out of range fails");
    }
    // A command abandoned earlier may complete now.
    if (mode == TransportMode::Aspi && input.Flag()) {
      for (std::size_t c = 0; c < aspi.received.size(); ++c) {
        if (!aspi.received[c].completed) {
          aspi.CompleteLate(c, AspiReplyFrom(input));
          break;
        }
      }
    }
  }
  // The layer finishes and signals whatever it still holds before the run
  // ends, as ASPI does before the program goes; the transport then releases
  // every slot. (Slots whose completion or signal never came are kept on
  // purpose, and kept slots would pile up over millions of runs.)
  for (std::size_t c = 0; c < aspi.received.size(); ++c) {
    if (!aspi.received[c].completed) aspi.CompleteLate(c, testing::AspiReply::Completed());
    if (aspi.received[c].event != kNoEvent && !aspi.EventOf(c).released) aspi.SignalLate(c);
  }
  Check(aspi.misuse == 0, "events are used only while they exist");
  return 0;
}
