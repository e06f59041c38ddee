// Both transports against scripted platform ports: the failure table, the
// Windows pass-through record and device names, and ASPI commands that
// complete after their time-out.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows/ScsiPassThroughBlock.h"
#include "platform/windows/Win32DeviceName.h"
#include "tests/support/FakeAspiLayer.h"
#include "tests/support/FakePassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

using When = AspiReply::When;
constexpr TransportMode kAspi = TransportMode::Aspi;
constexpr TransportMode kCdrom = TransportMode::PassThroughCdrom;

// Each row runs right after a command that failed with sense codes 0x11 0x22.
struct FailureRow {
  const char* name;
  TransportMode mode;
  AspiReply aspiReply;
  PassThroughReply passThroughReply;
  bool unavailable;  // no event can be created, or the device does not open
  std::int32_t dataLength;
  int result;
  std::uint8_t asc;
  std::uint8_t ascq;
  std::size_t sent;  // commands that reached the platform, the failed one included
};

TEST(ScsiTransportTest, FailureTableOfBothTransports) {
  const FailureRow rows[] = {
      {"AspiNoEvent", kAspi, {}, {}, true, 0, 0, 0, 0, 1},
      {"AspiTimeOut", kAspi, AspiReply::Completed(When::Never), {}, false, 0, 0, 0, 0, 2},
      {"AspiStatus1AtOnce", kAspi, AspiReply::Completed(), {}, false, 0, 1, 0, 0, 2},
      {"AspiStatus1InWait", kAspi, AspiReply::Completed(When::OnWait), {}, false, 36, 1, 0, 0, 2},
      {"AspiStatus4", kAspi, AspiReply::Sense(0x3A, 0, When::OnWait), {}, false, 0, 0, 0x3A, 0, 2},
      {"AspiStatus2", kAspi, {When::OnSend, 2, {}, {}}, {}, false, 0, 0, 0, 0, 2},
      {"AspiSignalWithoutStatus", kAspi, {When::SignalOnly, 0, {}, {}}, {}, false, 0, 0, 0, 0, 2},
      {"AspiLengthPastTheBuffer", kAspi, {}, {}, false, 16385, 0, 0, 0, 1},
      {"PtNoDevice", kCdrom, {}, {}, true, 0, 0, 0, 0, 1},
      {"PtRefused", kCdrom, {}, {true, 0, {}}, false, 0, 0, 0, 0, 2},
      {"PtGood", kCdrom, {}, PassThroughReply::Good(), false, 36, 1, 0, 0, 2},
      {"PtStatus2", kCdrom, {}, PassThroughReply::CheckCondition(0xF7, 2), false, 0, 0, 0xF7, 2, 2},
      {"PtStatus8", kCdrom, {}, {false, 8, {}}, false, 0, 0, 0, 0, 2},
      {"PtNegativeLength", kCdrom, {}, {}, false, -1, 0, 0, 0, 1},
  };
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeAspiLayer aspi;
    FakePassThroughLayer passThrough;
    ScsiTransport transport(row.mode, &aspi, &passThrough);
    auto request = std::make_unique<ScsiRequest>();
    request->aspi.SRB_CDBLen = 6;
    aspi.Reply(AspiReply::Sense(0x11, 0x22));
    passThrough.Reply(PassThroughReply::CheckCondition(0x11, 0x22));
    ASSERT_EQ(transport.SendRequest(*request, 0), 0);
    aspi.Reply(row.aspiReply);
    passThrough.Reply(row.passThroughReply);
    aspi.failEventCreation = row.unavailable;
    passThrough.allDevicesExist = !row.unavailable;

    EXPECT_EQ(transport.SendRequest(*request, row.dataLength), row.result);
    EXPECT_EQ(request->asc, row.asc);
    EXPECT_EQ(request->ascq, row.ascq);
    EXPECT_EQ(aspi.received.size() + passThrough.issued.size(), row.sent);
    EXPECT_EQ(aspi.misuse, 0);
    EXPECT_EQ(passThrough.openDevices, 0);
  }
}

// The Windows adapter's side: the device names of the two pass-through modes,
// and the buffer that IOCTL_SCSI_PASS_THROUGH takes (SCSI_PASS_THROUGH
// header, sense area at 48, data at 80), laid out for the transport's requests
// and read back after the driver has written status, sense and data.
TEST(ScsiPassThroughBlockTest, NamesTheDeviceAndLaysOutTheWindowsRecord) {
  EXPECT_EQ(Win32DeviceName({kCdrom, 3}), "\\\\.\\cdrom3");
  EXPECT_EQ(Win32DeviceName({TransportMode::PassThroughLetter, 0}), "\\\\.\\d:");
  EXPECT_EQ(Win32DeviceName({TransportMode::PassThroughLetter, 2}), "\\\\.\\f:");
  EXPECT_EQ(Win32DeviceName({TransportMode::PassThroughLetter, 253}), "\\\\.\\a:");

  using Bytes = std::vector<std::uint8_t>;
  const Bytes inquiry = {0x12, 0, 0, 0, 36, 0};
  const Bytes transfer = {0xAA, 0, 0, 0, 0, 0, 0x0C, 0, 0x05, 0, 0, 0};
  const struct {
    const Bytes& block;
    PassThroughDirection direction;
    std::size_t length;
    Bytes header;
  } rows[] = {
      {inquiry, PassThroughDirection::In, 36, {44, 0,  0xFF, 0, 0, 0, 6,    14, 1, 0,  0,
                                               0,  36, 0,    0, 0, 2, 0,    0,  0, 80, 0,
                                               0,  0,  48,   0, 0, 0, 0x12, 0,  0, 0,  36,
                                               0,  0,  0,    0, 0, 0, 0,    0,  0, 0,  0}},
      {transfer, PassThroughDirection::Out, 3072, {44, 0,    0xFF, 0,    0, 0, 12,   14, 0, 0,  0,
                                                   0,  0,    0x0C, 0,    0, 2, 0,    0,  0, 80, 0,
                                                   0,  0,    48,   0,    0, 0, 0xAA, 0,  0, 0,  0,
                                                   0,  0x0C, 0,    0x05, 0, 0, 0,    0,  0, 0,  0}},
      {inquiry, PassThroughDirection::None, 0, {44, 0, 0xFF, 0, 0, 0, 6,    14, 2, 0,  0,
                                                0,  0, 0,    0, 0, 2, 0,    0,  0, 80, 0,
                                                0,  0, 48,   0, 0, 0, 0x12, 0,  0, 0,  36,
                                                0,  0, 0,    0, 0, 0, 0,    0,  0, 0,  0}},
  };
  auto block = std::make_unique<ScsiPassThroughBlock>();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.length);
    Bytes data(row.length, 0x5A);
    Bytes sense(14, 0xEE);
    const PassThroughRequest request{row.block, row.direction, data, sense,
                                     std::chrono::seconds{2}};
    const std::span<std::uint8_t> b = block->Lay(request);
    ASSERT_EQ(b.size(), 80 + row.length);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 44), row.header);
    EXPECT_EQ(Bytes(b.begin() + 80, b.end()), data);
    EXPECT_EQ(block->Collect(request), 0xFF) << "a refused request keeps the preset";

    b[2] = 2;  // the driver's CHECK CONDITION, sense bytes 12 and 13, data
    b[48 + 12] = 0xF7;
    b[48 + 13] = 0x02;
    if (row.length != 0) b[80] = 0x77;
    EXPECT_EQ(block->Collect(request), 2);
    EXPECT_EQ(sense[12], 0xF7);
    EXPECT_EQ(sense[13], 0x02);
    EXPECT_EQ(data.empty() || data[0] == 0x77, true);
  }
}

// An Inquiry-like command that the layer abandons at the time-out (or only
// signals, without a final status) and completes late, during or after the
// next command, with stale data and sense codes.
TEST(ScsiTransportTest, LateAspiCompletionNeverReachesTheRecordOrTheNextCommand) {
  const struct {
    When first;
    bool duringNext;
  } rows[] = {{When::Never, true}, {When::Never, false}, {When::SignalOnly, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(row.first) << " " << row.duringNext);
    FakeAspiLayer aspi;
    ScsiTransport transport{kAspi, &aspi, nullptr};
    auto request = std::make_unique<ScsiRequest>();
    request->aspi.SRB_Flags = aspi::kFlagDataIn;
    request->asc = 0x11;
    request->ascq = 0x22;
    std::fill_n(request->Data(), 36, std::uint8_t{0x77});
    auto dataIs = [&](std::uint8_t v) {
      return std::all_of(request->Data(), request->Data() + 36, [=](auto b) { return b == v; });
    };
    AspiReply stale = AspiReply::Sense(0x55, 0x66);
    stale.dataIn.assign(36, 0xBB);
    aspi.Reply(AspiReply::Completed(row.first));
    aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, 0xCC), When::OnWait));
    aspi.beforeSend = [&](std::size_t index) {
      if (index == 1 && row.duringNext) aspi.CompleteLate(0, stale);
    };

    ASSERT_EQ(transport.SendRequest(*request, 36), 0);
    EXPECT_TRUE(dataIs(0x77));
    EXPECT_EQ(request->asc, 0) << "no command leaves an earlier command's sense codes";
    EXPECT_EQ(request->ascq, 0);
    ASSERT_EQ(transport.SendRequest(*request, 36), 1);
    EXPECT_EQ(transport.AbandonedAspiCommands(), 1u) << "held until the layer completes it";
    EXPECT_FALSE(aspi.EventOf(0).released);
    if (!row.duringNext) aspi.CompleteLate(0, stale);
    EXPECT_TRUE(dataIs(0xCC));
    EXPECT_EQ(request->asc, 0);
    EXPECT_EQ(request->ascq, 0);

    // The next command reaps what has completed; then nothing is held.
    ASSERT_EQ(transport.SendRequest(*request, 36), 1);
    EXPECT_EQ(transport.AbandonedAspiCommands(), 0u);
    EXPECT_TRUE(std::all_of(aspi.events.begin(), aspi.events.end(),
                            [](const FakeAspiEvent& e) { return e.released; }));
    EXPECT_EQ(aspi.misuse, 0);
  }
}

// The completion wait is 5000 ms: a command completed 5000 ms into the wait
// counts; one completed 5001 ms into it has timed out and reads as a failure
// without sense data, not with the sense codes of the command before.
TEST(ScsiTransportTest, AspiCompletionWaitIsFiveThousandMilliseconds) {
  const struct {
    int delay;
    int result;
    std::uint8_t asc, ascq;
  } rows[] = {{0, 0, 0x3A, 0x01}, {5000, 0, 0x3A, 0x01}, {5001, 0, 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.delay);
    FakeAspiLayer aspi;
    ScsiTransport transport{kAspi, &aspi, nullptr};
    auto request = std::make_unique<ScsiRequest>();
    aspi.Reply(AspiReply::Sense(0x11, 0x22));
    ASSERT_EQ(transport.SendRequest(*request, 0), 0);
    aspi.Reply(AspiReply::Sense(0x3A, 0x01, When::OnWait));
    aspi.completionDelay = std::chrono::milliseconds(row.delay);
    EXPECT_EQ(transport.SendRequest(*request, 0), row.result);
    EXPECT_EQ(request->asc, row.asc);
    EXPECT_EQ(request->ascq, row.ascq);
    // The second command's own completion wait; the first, final on return,
    // was not waited for.
    EXPECT_EQ(aspi.waitTimeouts, std::vector{std::chrono::milliseconds(5000)});
  }
}

// An ASPI layer that completes a pending command on its own thread writes
// the final status and only then signals. Until the signal has come, an
// abandoned command's event and slot stay with the transport: a signal to a
// released event would reach a closed handle, or the next command's event
// under the same handle.
TEST(ScsiTransportTest, AbandonedAspiEventIsReleasedOnlyAfterTheLayerHasSignalled) {
  FakeAspiLayer aspi;
  ScsiTransport transport{kAspi, &aspi, nullptr};
  auto request = std::make_unique<ScsiRequest>();
  request->aspi.SRB_Flags = aspi::kFlagDataIn;
  aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, 0xAA), When::Never));
  for (int next = 0; next < 2; ++next) {
    aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, 0xCC), When::OnWait));
  }

  EXPECT_EQ(transport.SendRequest(*request, 36), 0);
  aspi.CompleteLate(0, AspiReply::Sense(0x55, 0x66), /*signal=*/false);
  // Final but not yet signalled: held through the next command.
  ASSERT_EQ(transport.SendRequest(*request, 36), 1);
  EXPECT_EQ(transport.AbandonedAspiCommands(), 1u);
  EXPECT_FALSE(aspi.EventOf(0).released);
  EXPECT_TRUE(aspi.EventOf(1).released);
  EXPECT_EQ(request->Data()[0], 0xCC);
  EXPECT_EQ(request->asc, 0);

  aspi.SignalLate(0);
  ASSERT_EQ(transport.SendRequest(*request, 36), 1);
  EXPECT_EQ(transport.AbandonedAspiCommands(), 0u);
  EXPECT_TRUE(aspi.EventOf(0).released);
  EXPECT_EQ(request->Data()[35], 0xCC);
  EXPECT_EQ(aspi.misuse, 0) << "a signal reached a released event";
}

// A command final on return is finished whether or not the layer ever
// signals it: its event is released at once and nothing is held, however
// many follow. Commands abandoned while pending are held, eight at most;
// then commands fail, unsent and with ASC and ASCQ kept, until one is let go.
TEST(ScsiTransportTest, AspiHoldsNoFinishedCommandAndAtMostEightAbandonedOnes) {
  FakeAspiLayer aspi;
  ScsiTransport transport{kAspi, &aspi, nullptr};
  auto request = std::make_unique<ScsiRequest>();
  request->aspi.SRB_Flags = aspi::kFlagDataIn;
  for (std::uint8_t i = 0; i < 50; ++i) {
    aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, i), When::OnSendSignalLater));
    ASSERT_EQ(transport.SendRequest(*request, 36), 1);
    EXPECT_EQ(request->Data()[35], i);
    EXPECT_EQ(transport.AbandonedAspiCommands(), 0u);
    EXPECT_TRUE(aspi.EventOf(i).released);
  }
  EXPECT_TRUE(aspi.waitTimeouts.empty());

  for (std::size_t held = 1; held <= 8; ++held) {
    aspi.Reply(AspiReply::Completed(When::Never));
    ASSERT_EQ(transport.SendRequest(*request, 0), 0);
    EXPECT_EQ(transport.AbandonedAspiCommands(), held);
  }
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  EXPECT_EQ(aspi.received.size(), 58u) << "the ninth was not sent";
  EXPECT_EQ(aspi.events.size(), 58u);

  aspi.CompleteLate(52, AspiReply::Completed());
  aspi.Reply(AspiReply::Completed());
  EXPECT_EQ(transport.SendRequest(*request, 0), 1);
  EXPECT_EQ(aspi.received.size(), 59u);
  EXPECT_EQ(transport.AbandonedAspiCommands(), 7u);
  EXPECT_TRUE(aspi.EventOf(52).released);
  EXPECT_EQ(aspi.misuse, 0);
}

}  // namespace
}  // namespace drivesmith::testing
