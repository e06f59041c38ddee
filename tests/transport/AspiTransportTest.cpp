// The ASPI transport: the execute block it hands to the layer, what it leaves
// in the request record, and every outcome of the failure table.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "tests/support/FakeAspiLayer.h"
#include "tests/transport/RequestBuilder.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

using When = AspiReply::When;

class AspiTransportTest : public ::testing::Test {
 protected:
  AspiTransportTest() {
    request->hostAdapter = 3;
    request->targetId = 5;
    request->asc = 0x11;  // left by an earlier command
    request->ascq = 0x22;
  }

  FakeAspiLayer aspi;
  ScsiTransport transport{TransportMode::Aspi, &aspi, nullptr};
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
};

TEST_F(AspiTransportTest, HandsTheLayerACompleteExecuteBlock) {
  PrepareTransfer(*request);
  request->aspi.SRB_Lun = 7;
  request->aspi.SRB_Status = 9;
  for (int i = 0; i < 3072; ++i) request->Data()[i] = static_cast<std::uint8_t>(i * 7);

  ASSERT_EQ(transport.SendRequest(*request, 3072), 1);

  ASSERT_EQ(aspi.received.size(), 1u);
  const ReceivedAspiCommand& sent = aspi.received[0];
  for (const SrbExecScsiCmd* srb :
       {&sent.srb, static_cast<const SrbExecScsiCmd*>(&request->aspi)}) {
    EXPECT_EQ(srb->SRB_Cmd, aspi::kExecScsiCommand);
    EXPECT_EQ(srb->SRB_Flags, 0x50);
    EXPECT_EQ(srb->SRB_HaId, 3);
    EXPECT_EQ(srb->SRB_Target, 5);
    EXPECT_EQ(srb->SRB_Lun, 0);
    EXPECT_EQ(srb->SRB_BufLen, 3072u);
    EXPECT_EQ(srb->SRB_SenseLen, 16);
    EXPECT_EQ(srb->SRB_CDBLen, 12);
    EXPECT_EQ(reinterpret_cast<AspiEvent>(srb->SRB_PostProc), sent.event);
    EXPECT_TRUE(std::equal(srb->CDBByte, srb->CDBByte + 16, request->aspi.CDBByte));
  }
  EXPECT_EQ(sent.srb.SRB_Status, aspi::kStatusPending);
  EXPECT_EQ(request->aspi.SRB_Status, aspi::kStatusCompleted);
  EXPECT_EQ(request->aspi.SRB_BufPointer, request->Data());
  EXPECT_NE(sent.event, kNoEvent);
  EXPECT_TRUE(std::equal(sent.dataOut.begin(), sent.dataOut.end(), request->Data()));
  EXPECT_EQ(sent.dataOut.size(), 3072u);
}

TEST_F(AspiTransportTest, NoWaitWhenTheStatusIsFinalOnReturn) {
  PrepareTestUnitReady(*request);
  aspi.Reply(AspiReply::Completed(When::OnSend));
  ASSERT_EQ(transport.SendRequest(*request, 0), 1);
  const FakeAspiEvent& event = aspi.events.at(aspi.received[0].event);
  EXPECT_TRUE(event.waits.empty());
  EXPECT_EQ(request->asc, 0);
  EXPECT_EQ(request->ascq, 0);
}

TEST_F(AspiTransportTest, PendingCommandWaitsAtMostFiveSeconds) {
  PrepareTestUnitReady(*request);
  aspi.Reply(AspiReply::Completed(When::OnWait));
  ASSERT_EQ(transport.SendRequest(*request, 0), 1);
  const FakeAspiEvent& event = aspi.events.at(aspi.received[0].event);
  EXPECT_EQ(event.waits, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(5000)});
}

TEST_F(AspiTransportTest, EveryCommandHasAnEventOfItsOwnReleasedAfterIt) {
  PrepareTestUnitReady(*request);
  aspi.Reply(AspiReply::Completed(When::OnSend));
  aspi.Reply(AspiReply::Sense(0x3A, 0, When::OnWait));
  aspi.Reply(AspiReply::Status(2));
  transport.SendRequest(*request, 0);
  transport.SendRequest(*request, 0);
  transport.SendRequest(*request, 0);
  EXPECT_EQ(aspi.eventsCreated, 3);
  EXPECT_EQ(aspi.UnreleasedEvents(), 0u);
  EXPECT_TRUE(aspi.misuse.empty());
}

// One row of the failure table.
struct AspiOutcome {
  const char* name;
  bool failEventCreation;
  AspiReply reply;
  int result;
  bool senseCodesKept;  // ASC and ASCQ keep the earlier command's values
  std::uint8_t asc;
  std::uint8_t ascq;
};

class AspiOutcomeTest : public AspiTransportTest,
                        public ::testing::WithParamInterface<AspiOutcome> {};

TEST_P(AspiOutcomeTest, ResultAndSenseCodes) {
  const AspiOutcome& row = GetParam();
  aspi.failEventCreation = row.failEventCreation;
  aspi.Reply(row.reply);
  PrepareTestUnitReady(*request);

  EXPECT_EQ(transport.SendRequest(*request, 0), row.result);
  if (row.senseCodesKept) {
    EXPECT_EQ(request->asc, 0x11);
    EXPECT_EQ(request->ascq, 0x22);
  } else {
    EXPECT_EQ(request->asc, row.asc);
    EXPECT_EQ(request->ascq, row.ascq);
  }
  EXPECT_TRUE(aspi.misuse.empty());
}

std::string RowName(const ::testing::TestParamInfo<AspiOutcome>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    FailureTable, AspiOutcomeTest,
    ::testing::Values(
        AspiOutcome{"NoEvent", true, AspiReply::Completed(), 0, true, 0, 0},
        AspiOutcome{"TimeOut", false, AspiReply::Completed(When::Never), 0, true, 0, 0},
        AspiOutcome{"CompletedAtOnce", false, AspiReply::Completed(When::OnSend), 1, false, 0, 0},
        AspiOutcome{"CompletedInWait", false, AspiReply::Completed(When::OnWait), 1, false, 0, 0},
        AspiOutcome{"ErrorWithSense", false, AspiReply::Sense(0x3A, 0x00, When::OnSend), 0, false,
                    0x3A, 0x00},
        AspiOutcome{"ErrorWithSenseInWait", false, AspiReply::Sense(0xF7, 0x02, When::OnWait), 0,
                    false, 0xF7, 0x02},
        AspiOutcome{"Status2", false, AspiReply::Status(2), 0, false, 0, 0},
        AspiOutcome{"Status0x80InWait", false, AspiReply::Status(0x80, When::OnWait), 0, false, 0,
                    0},
        AspiOutcome{"SignalledStillPending", false, AspiReply::Completed(When::SignalOnly), 0,
                    false, 0, 0}),
    RowName);

TEST_F(AspiTransportTest, NoEventMeansNothingIsSent) {
  aspi.failEventCreation = true;
  PrepareTestUnitReady(*request);
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  EXPECT_TRUE(aspi.received.empty());
}

TEST_F(AspiTransportTest, TimeOutResetsTheEvent) {
  aspi.Reply(AspiReply::Completed(When::Never));
  PrepareTestUnitReady(*request);
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  const FakeAspiEvent& event = aspi.events.at(aspi.received[0].event);
  EXPECT_EQ(event.resets, 1);
  EXPECT_FALSE(event.released) << "the layer may still signal it";
  EXPECT_EQ(transport.AbandonedAspiCommands(), 1u);
}

TEST_F(AspiTransportTest, SuccessAfterSenseFailureClearsTheSenseCodes) {
  aspi.Reply(AspiReply::Sense(0x3A, 0x01));
  aspi.Reply(AspiReply::Completed(When::OnWait));
  PrepareTestUnitReady(*request);
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  EXPECT_EQ(request->asc, 0x3A);
  EXPECT_EQ(request->ascq, 0x01);
  EXPECT_EQ(transport.SendRequest(*request, 0), 1);
  EXPECT_EQ(request->asc, 0);
  EXPECT_EQ(request->ascq, 0);
}

TEST_F(AspiTransportTest, SenseCodesSurviveATimeOutAfterASenseFailure) {
  aspi.Reply(AspiReply::Sense(0x04, 0x08));
  aspi.Reply(AspiReply::Completed(When::Never));
  PrepareTestUnitReady(*request);
  transport.SendRequest(*request, 0);
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  EXPECT_EQ(request->asc, 0x04);
  EXPECT_EQ(request->ascq, 0x08);
}

TEST_F(AspiTransportTest, DataLengthOutsideTheBufferIsRefusedUntouched) {
  PrepareTransfer(*request);
  for (std::int32_t length : {-1, 16385, std::numeric_limits<std::int32_t>::min()}) {
    request->asc = 0x11;
    EXPECT_EQ(transport.SendRequest(*request, length), 0) << length;
    EXPECT_EQ(request->asc, 0);
    EXPECT_EQ(request->ascq, 0);
  }
  EXPECT_EQ(aspi.eventsCreated, 0);
  EXPECT_TRUE(aspi.received.empty());
}

TEST_F(AspiTransportTest, LargestDataPhaseIsAccepted) {
  PrepareTransfer(*request);
  std::fill_n(request->Data(), kMaxDataLength, std::uint8_t{0x6B});
  ASSERT_EQ(transport.SendRequest(*request, kMaxDataLength), 1);
  EXPECT_EQ(aspi.received.at(0).dataOut, std::vector<std::uint8_t>(16384, 0x6B));
}

}  // namespace
}  // namespace drivesmith::testing
