// The pass-through transport: the buffer it hands to the platform, the device
// it opens, and every outcome of the failure table.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/FakePassThroughLayer.h"
#include "tests/transport/RequestBuilder.h"
#include "transport/ScsiTransport.h"

namespace drivesmith::testing {
namespace {

class PassThroughTransportTest : public ::testing::Test {
 protected:
  PassThroughTransportTest() {
    request->driveIndex = 3;
    request->asc = 0x11;  // left by an earlier command
    request->ascq = 0x22;
  }

  const std::vector<std::uint8_t>& Sent() { return layer.issued.at(0).buffer; }

  FakePassThroughLayer layer;
  ScsiTransport transport{TransportMode::PassThroughCdrom, nullptr, &layer};
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
};

struct DirectionCase {
  std::uint8_t srbFlags;
  std::uint8_t dataIn;
};

class PassThroughDirectionTest : public PassThroughTransportTest,
                                 public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(PassThroughDirectionTest, DataInFieldFollowsTheFlags) {
  PrepareCommand(*request, GetParam().srbFlags, {0x00, 0, 0, 0, 0, 0x80});
  transport.SendRequest(*request, 0);
  EXPECT_EQ(Sent().at(8), GetParam().dataIn);
}

INSTANTIATE_TEST_SUITE_P(Flags, PassThroughDirectionTest,
                         ::testing::Values(DirectionCase{0x10, 0}, DirectionCase{0x08, 1},
                                           DirectionCase{0x00, 2}, DirectionCase{0x50, 2},
                                           DirectionCase{0x48, 2}, DirectionCase{0x18, 2}));

TEST_F(PassThroughTransportTest, CdbBytes12To15AreAlwaysZero) {
  PrepareTransfer(*request);
  std::fill_n(request->passThrough.begin() + 28, 16, std::uint8_t{0xEE});
  std::fill_n(request->aspi.CDBByte + 12, 4, std::uint8_t{0xEE});
  transport.SendRequest(*request, 0);
  const auto& b = Sent();
  EXPECT_EQ(b[6], 12);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 40, b.begin() + 44),
            std::vector<std::uint8_t>(4, 0));
  EXPECT_EQ(b[28], 0xAA);
  EXPECT_EQ(b[34], 12);
}

TEST_F(PassThroughTransportTest, DeviceIsOpenedForEachCommandAndClosedAfterIt) {
  PrepareTestUnitReady(*request);
  transport.SendRequest(*request, 0);
  transport.SendRequest(*request, 0);
  EXPECT_EQ(layer.openAttempts.size(), 2u);
  EXPECT_EQ(layer.issued.at(0).openDevices, 1);
  EXPECT_EQ(layer.issued.at(1).openDevices, 1);
  EXPECT_EQ(layer.closes, 2);
  EXPECT_EQ(layer.openDevices, 0);
}

struct PassThroughOutcome {
  const char* name;
  bool deviceExists;
  PassThroughReply reply;
  int result;
  std::uint8_t asc;
  std::uint8_t ascq;
};

class PassThroughOutcomeTest : public PassThroughTransportTest,
                               public ::testing::WithParamInterface<PassThroughOutcome> {};

TEST_P(PassThroughOutcomeTest, ResultAndSenseCodes) {
  const PassThroughOutcome& row = GetParam();
  layer.allDevicesExist = row.deviceExists;
  layer.Reply(row.reply);
  // Sense bytes of an earlier command must not be read without CHECK CONDITION.
  request->passThrough[60] = 0x99;
  request->passThrough[61] = 0x98;
  PrepareTestUnitReady(*request);

  EXPECT_EQ(transport.SendRequest(*request, 0), row.result);
  EXPECT_EQ(request->asc, row.asc);
  EXPECT_EQ(request->ascq, row.ascq);
  EXPECT_EQ(layer.openDevices, 0);
}

std::string RowName(const ::testing::TestParamInfo<PassThroughOutcome>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, PassThroughOutcomeTest,
    ::testing::Values(
        PassThroughOutcome{"NoDevice", false, PassThroughReply::Good(), 0, 0, 0},
        PassThroughOutcome{"Refused", true, PassThroughReply::Refused(), 0, 0, 0},
        PassThroughOutcome{"Good", true, PassThroughReply::Good(), 1, 0, 0},
        PassThroughOutcome{"CheckCondition", true, PassThroughReply::CheckCondition(0xF7, 0x02), 0,
                           0xF7, 0x02},
        PassThroughOutcome{"Status8", true, PassThroughReply::Status(8), 0, 0, 0},
        PassThroughOutcome{"Status0x18", true, PassThroughReply::Status(0x18), 0, 0, 0}),
    RowName);

TEST_F(PassThroughTransportTest, MissingDeviceSendsNoControlRequest) {
  layer.allDevicesExist = false;
  PrepareInquiry(*request);
  EXPECT_EQ(transport.SendRequest(*request, 36), 0);
  EXPECT_EQ(layer.openAttempts, std::vector<std::string>{"\\\\.\\cdrom3"});
  EXPECT_TRUE(layer.issued.empty());
}

TEST_F(PassThroughTransportTest, SuccessAfterSenseFailureClearsTheSenseCodes) {
  layer.Reply(PassThroughReply::CheckCondition(0x3A, 0x01));
  layer.Reply(PassThroughReply::Good());
  PrepareTestUnitReady(*request);
  EXPECT_EQ(transport.SendRequest(*request, 0), 0);
  EXPECT_EQ(request->asc, 0x3A);
  EXPECT_EQ(request->ascq, 0x01);
  EXPECT_EQ(transport.SendRequest(*request, 0), 1);
  EXPECT_EQ(request->asc, 0);
  EXPECT_EQ(request->ascq, 0);
}

TEST_F(PassThroughTransportTest, DataLengthOutsideTheBufferIsRefusedUntouched) {
  PrepareTransfer(*request);
  for (std::int32_t length : {-1, 16385, std::numeric_limits<std::int32_t>::max()}) {
    request->asc = 0x11;
    EXPECT_EQ(transport.SendRequest(*request, length), 0) << length;
    EXPECT_EQ(request->asc, 0);
  }
  EXPECT_TRUE(layer.openAttempts.empty());
}

TEST_F(PassThroughTransportTest, LargestDataPhaseFillsTheWholeBuffer) {
  PrepareTransfer(*request);
  ASSERT_EQ(transport.SendRequest(*request, kMaxDataLength), 1);
  EXPECT_EQ(Sent().size(), passthrough::kBufferLength);
}

struct NameCase {
  TransportMode mode;
  std::uint8_t index;
  const char* name;
};

class DeviceNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DeviceNameTest, NameFromModeAndIndex) {
  EXPECT_EQ(PassThroughDeviceName(GetParam().mode, GetParam().index), GetParam().name);
}

TEST_P(DeviceNameTest, TransportOpensThatDevice) {
  FakePassThroughLayer layer;
  ScsiTransport transport{GetParam().mode, nullptr, &layer};
  auto request = std::make_unique<ScsiRequest>();
  request->driveIndex = GetParam().index;
  PrepareTestUnitReady(*request);
  transport.SendRequest(*request, 0);
  EXPECT_EQ(layer.openAttempts, std::vector<std::string>{GetParam().name});
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeviceNameTest,
    ::testing::Values(NameCase{TransportMode::PassThroughCdrom, 0, "\\\\.\\cdrom0"},
                      NameCase{TransportMode::PassThroughCdrom, 3, "\\\\.\\cdrom3"},
                      NameCase{TransportMode::PassThroughCdrom, 255, "\\\\.\\cdrom255"},
                      NameCase{TransportMode::PassThroughLetter, 0, "\\\\.\\d:"},
                      NameCase{TransportMode::PassThroughLetter, 1, "\\\\.\\e:"},
                      NameCase{TransportMode::PassThroughLetter, 2, "\\\\.\\f:"},
                      NameCase{TransportMode::PassThroughLetter, 253, "\\\\.\\a:"}));

}  // namespace
}  // namespace drivesmith::testing
