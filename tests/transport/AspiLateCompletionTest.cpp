// A command abandoned at the ASPI time-out that the layer completes after all:
// its late writes never reach the request record, its data buffer or a later
// command's results, and its event is released once it has completed.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/support/FakeAspiLayer.h"
#include "tests/transport/RequestBuilder.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

using When = AspiReply::When;

std::vector<std::uint8_t> Pattern(std::uint8_t value, std::size_t length) {
  return std::vector<std::uint8_t>(length, value);
}

AspiReply StaleReply() {
  AspiReply reply = AspiReply::Sense(0x55, 0x66, When::Never);
  reply.dataIn = Pattern(0xBB, 36);
  return reply;
}

class AspiLateCompletionTest : public ::testing::Test {
 protected:
  AspiLateCompletionTest() {
    request->asc = 0x11;
    request->ascq = 0x22;
    PrepareInquiry(*request);
  }

  bool DataIs(std::uint8_t value, std::size_t length = 36) const {
    return std::all_of(request->Data(), request->Data() + length,
                       [value](std::uint8_t b) { return b == value; });
  }
  const FakeAspiEvent& Event(std::size_t command) {
    return aspi.events.at(aspi.received.at(command).event);
  }

  FakeAspiLayer aspi;
  std::unique_ptr<ScsiTransport> transport =
      std::make_unique<ScsiTransport>(TransportMode::Aspi, &aspi, nullptr);
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
};

TEST_F(AspiLateCompletionTest, LateCompletionBeforeTheNextCommandLeavesTheRecordAlone) {
  std::fill_n(request->Data(), 36, std::uint8_t{0x77});
  aspi.Reply(AspiReply::Completed(When::Never));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);

  aspi.CompleteLate(0, StaleReply());

  EXPECT_TRUE(DataIs(0x77));
  EXPECT_EQ(request->aspi.SRB_Status, aspi::kStatusPending);
  EXPECT_EQ(request->aspi.SenseArea[12], 0);
  EXPECT_EQ(request->asc, 0x11);
  EXPECT_EQ(request->ascq, 0x22);
  EXPECT_NE(aspi.received[0].live, &request->aspi);
}

TEST_F(AspiLateCompletionTest, LateCompletionDuringTheNextCommandDoesNotLeakIntoIt) {
  aspi.Reply(AspiReply::Completed(When::Never));
  aspi.Reply(AspiReply::Data(Pattern(0xCC, 36), When::OnWait));
  aspi.beforeSend = [this](std::size_t index) {
    if (index == 1) aspi.CompleteLate(0, StaleReply());
  };
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);

  ASSERT_EQ(transport->SendRequest(*request, 36), 1);

  EXPECT_TRUE(DataIs(0xCC));
  EXPECT_EQ(request->aspi.SRB_Status, aspi::kStatusCompleted);
  EXPECT_EQ(request->aspi.SenseArea[12], 0);
  EXPECT_EQ(request->asc, 0);
  EXPECT_EQ(request->ascq, 0);
  EXPECT_NE(aspi.received[0].live, aspi.received[1].live);
  EXPECT_TRUE(aspi.misuse.empty());
}

TEST_F(AspiLateCompletionTest, LateCompletionAfterTheNextCommandDoesNotOverwriteItsResults) {
  aspi.Reply(AspiReply::Completed(When::Never));
  aspi.Reply(AspiReply::Sense(0x28, 0x00, When::OnWait));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  ASSERT_EQ(request->asc, 0x28);

  aspi.CompleteLate(0, StaleReply());

  EXPECT_EQ(request->aspi.SRB_Status, aspi::kStatusError);
  EXPECT_EQ(request->aspi.SenseArea[12], 0x28);
  EXPECT_EQ(request->asc, 0x28);
  EXPECT_FALSE(DataIs(0xBB, 1));
}

TEST_F(AspiLateCompletionTest, EventIsReleasedOnceTheLateCompletionHasHappened) {
  aspi.Reply(AspiReply::Completed(When::Never));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_FALSE(Event(0).released) << "still held by the layer";
  EXPECT_EQ(transport->AbandonedAspiCommands(), 1u);

  aspi.CompleteLate(0, StaleReply());
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);

  EXPECT_TRUE(Event(0).released);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 0u);
  EXPECT_EQ(aspi.UnreleasedEvents(), 0u);
  EXPECT_TRUE(aspi.misuse.empty());
}

TEST_F(AspiLateCompletionTest, SeveralAbandonedCommandsCompleteInAnyOrder) {
  aspi.Reply(AspiReply::Completed(When::Never));
  aspi.Reply(AspiReply::Completed(When::Never));
  aspi.Reply(AspiReply::Completed(When::Never));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 3u);

  aspi.CompleteLate(2, StaleReply());
  aspi.CompleteLate(0, StaleReply());
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 1u);
  EXPECT_FALSE(Event(1).released);

  aspi.CompleteLate(1, StaleReply());
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 0u);
  EXPECT_EQ(aspi.UnreleasedEvents(), 0u);
  EXPECT_TRUE(aspi.misuse.empty());
}

TEST_F(AspiLateCompletionTest, FinalStatusWhoseSignalWasSwallowedStillCountsAsCompleted) {
  aspi.Reply(AspiReply::Completed(When::Never));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  // The layer completed between the end of the wait and the reset.
  aspi.received[0].live->SRB_Status = aspi::kStatusCompleted;
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_TRUE(Event(0).released);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 0u);
}

TEST_F(AspiLateCompletionTest, SignalWithoutStatusKeepsTheCommandUntilItCompletes) {
  aspi.Reply(AspiReply::Completed(When::SignalOnly));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 1u);
  // Signalled again, still without a status: the layer may still write.
  aspi.events.at(aspi.received[0].event).signalled = true;

  aspi.Reply(AspiReply::Data(Pattern(0xCC, 36), When::OnSend));
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 1u);

  aspi.CompleteLate(0, StaleReply());
  EXPECT_TRUE(DataIs(0xCC));
  ASSERT_EQ(transport->SendRequest(*request, 36), 1);
  EXPECT_EQ(transport->AbandonedAspiCommands(), 0u);
  EXPECT_EQ(aspi.UnreleasedEvents(), 0u);
  EXPECT_TRUE(aspi.misuse.empty());
}

TEST_F(AspiLateCompletionTest, DestructionReleasesWhatHasCompleted) {
  aspi.Reply(AspiReply::Completed(When::Never));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  aspi.CompleteLate(0, StaleReply());
  transport.reset();
  EXPECT_EQ(aspi.UnreleasedEvents(), 0u);
  EXPECT_TRUE(aspi.misuse.empty());
}

TEST_F(AspiLateCompletionTest, CompletionAfterDestructionStillHasItsSlotAndEvent) {
  aspi.Reply(AspiReply::Completed(When::Never));
  ASSERT_EQ(transport->SendRequest(*request, 36), 0);
  transport.reset();
  EXPECT_FALSE(Event(0).released);

  // Writes into the command's block and buffer: these must still be valid.
  aspi.CompleteLate(0, StaleReply());
  EXPECT_TRUE(aspi.misuse.empty());
  EXPECT_EQ(request->asc, 0x11);
}

}  // namespace
}  // namespace drivesmith::testing
