// Both transports against scripted platform ports: the failure table, the
// pass-through device names, and ASPI commands that complete after their
// time-out.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
      {"AspiNoEvent", kAspi, {}, {}, true, 0, 0, 0x11, 0x22, 1},
      {"AspiTimeOut", kAspi, AspiReply::Completed(When::Never), {}, false, 0, 0, 0x11, 0x22, 2},
      {"AspiStatus1AtOnce", kAspi, AspiReply::Completed(), {}, false, 0, 1, 0, 0, 2},
      {"AspiStatus1InWait", kAspi, AspiReply::Completed(When::OnWait), {}, false, 36, 1, 0, 0, 2},
      {"AspiStatus4", kAspi, AspiReply::Sense(0x3A, 0, When::OnWait), {}, false, 0, 0, 0x3A, 0, 2},
      {"AspiStatus2", kAspi, {When::OnSend, 2, {}, {}}, {}, false, 0, 0, 0, 0, 2},
      {"AspiSignalWithoutStatus", kAspi, {When::SignalOnly, 0, {}, {}}, {}, false, 0, 0, 0, 0, 2},
      {"AspiLengthPastTheBuffer", kAspi, {}, {}, false, 16385, 0, 0, 0, 1},
      {"PtNoDevice", kCdrom, {}, {}, true, 0, 0, 0, 0, 1},
      {"PtRefused", kCdrom, {}, {true, 0, {}, {}}, false, 0, 0, 0, 0, 2},
      {"PtGood", kCdrom, {}, PassThroughReply::Good(), false, 36, 1, 0, 0, 2},
      {"PtStatus2", kCdrom, {}, PassThroughReply::CheckCondition(0xF7, 2), false, 0, 0, 0xF7, 2, 2},
      {"PtStatus8", kCdrom, {}, {false, 8, {}, {}}, false, 0, 0, 0, 0, 2},
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

TEST(ScsiTransportTest, PassThroughOpensTheDeviceNamedByModeAndIndex) {
  const struct {
    TransportMode mode;
    std::uint8_t index;
    std::string name;
  } rows[] = {{kCdrom, 3, "\\\\.\\cdrom3"},
              {TransportMode::PassThroughLetter, 0, "\\\\.\\d:"},
              {TransportMode::PassThroughLetter, 2, "\\\\.\\f:"},
              {TransportMode::PassThroughLetter, 253, "\\\\.\\a:"}};
  for (const auto& row : rows) {
    FakePassThroughLayer passThrough;
    ScsiTransport transport(row.mode, nullptr, &passThrough);
    auto request = std::make_unique<ScsiRequest>();
    request->driveIndex = row.index;
    EXPECT_EQ(transport.SendRequest(*request, 0), 1);
    EXPECT_EQ(passThrough.openAttempts, std::vector<std::string>{row.name});
  }
}

// An Inquiry-like command whose first attempt the layer abandons at the
// time-out and then completes late with stale data and sense codes.
struct LateRig {
  LateRig() {
    request->aspi.SRB_Flags = aspi::kFlagDataIn;
    request->asc = 0x11;
    request->ascq = 0x22;
    std::fill_n(request->Data(), 36, std::uint8_t{0x77});
  }
  bool DataIs(std::uint8_t value) const {
    return std::all_of(request->Data(), request->Data() + 36, [=](auto b) { return b == value; });
  }
  void CompleteLate() {
    AspiReply stale = AspiReply::Sense(0x55, 0x66);
    stale.dataIn.assign(36, 0xBB);
    aspi.CompleteLate(0, stale);
  }
  // A further command reaps what has completed; afterwards nothing is held.
  void ExpectEverythingReleased() {
    ASSERT_EQ(transport.SendRequest(*request, 36), 1);
    EXPECT_EQ(transport.AbandonedAspiCommands(), 0u);
    EXPECT_TRUE(std::all_of(aspi.events.begin(), aspi.events.end(),
                            [](const FakeAspiEvent& e) { return e.released; }));
    EXPECT_EQ(aspi.misuse, 0);
  }

  FakeAspiLayer aspi;
  ScsiTransport transport{kAspi, &aspi, nullptr};
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
};

TEST(AspiLateCompletionTest, NeverTouchesTheRecordOrTheNextCommandsResults) {
  enum class Late { DuringNext, AfterNext };
  for (const Late late : {Late::DuringNext, Late::AfterNext}) {
    SCOPED_TRACE(static_cast<int>(late));
    LateRig rig;
    rig.aspi.Reply(AspiReply::Completed(When::Never));
    rig.aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, 0xCC), When::OnWait));
    rig.aspi.beforeSend = [&](std::size_t index) {
      if (index == 1 && late == Late::DuringNext) rig.CompleteLate();
    };
    ASSERT_EQ(rig.transport.SendRequest(*rig.request, 36), 0);
    EXPECT_FALSE(rig.aspi.EventOf(0).released) << "the layer may still signal it";
    EXPECT_TRUE(rig.DataIs(0x77));
    EXPECT_EQ(rig.request->asc, 0x11);
    EXPECT_EQ(rig.request->ascq, 0x22);

    ASSERT_EQ(rig.transport.SendRequest(*rig.request, 36), 1);
    if (late == Late::AfterNext) rig.CompleteLate();
    EXPECT_TRUE(rig.DataIs(0xCC));
    EXPECT_EQ(rig.request->asc, 0);
    EXPECT_EQ(rig.request->ascq, 0);
    rig.ExpectEverythingReleased();
  }
}

TEST(AspiLateCompletionTest, SignalWithoutFinalStatusKeepsTheSlot) {
  LateRig rig;
  rig.aspi.Reply(AspiReply::Completed(When::SignalOnly));
  rig.aspi.Reply(AspiReply::Data(std::vector<std::uint8_t>(36, 0xCC)));
  ASSERT_EQ(rig.transport.SendRequest(*rig.request, 36), 0);
  ASSERT_EQ(rig.transport.SendRequest(*rig.request, 36), 1);
  EXPECT_EQ(rig.transport.AbandonedAspiCommands(), 1u);
  EXPECT_FALSE(rig.aspi.EventOf(0).released);

  rig.CompleteLate();
  EXPECT_TRUE(rig.DataIs(0xCC));
  rig.ExpectEverythingReleased();
}

}  // namespace
}  // namespace drivesmith::testing
