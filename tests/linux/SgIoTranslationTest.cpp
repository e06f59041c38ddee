#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/linux/SgIoTranslation.h"
#include "transport/ScsiRequest.h"

namespace drivesmith {
namespace {

namespace pt = passthrough;

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kBusy = 0x08;

// A header as the pass-through transport fills it.
pt::Buffer MakeBuffer(std::uint8_t cdbLength, std::uint8_t dataIn, std::uint32_t dataLength) {
  pt::Buffer buffer{};
  pt::Put16(buffer, pt::kLength, pt::kHeaderLength);
  buffer[pt::kScsiStatus] = pt::kStatusUnset;
  buffer[pt::kCdbLength] = cdbLength;
  buffer[pt::kSenseInfoLength] = pt::kSenseInfoLengthValue;
  buffer[pt::kDataIn] = dataIn;
  pt::Put32(buffer, pt::kDataTransferLength, dataLength);
  pt::Put32(buffer, pt::kTimeOutValue, pt::kTimeOutSeconds);
  pt::Put32(buffer, pt::kDataBufferOffset, pt::kDataOffset);
  pt::Put32(buffer, pt::kSenseInfoOffset, pt::kSenseOffset);
  for (std::size_t i = 0; i < 16; ++i) buffer[pt::kCdb + i] = static_cast<std::uint8_t>(0xA0 + i);
  return buffer;
}

std::span<std::uint8_t> Span(pt::Buffer& buffer, std::size_t dataLength) {
  return {buffer.data(), pt::kDataOffset + dataLength};
}

// A request that came back from the drive with `status`.
sg_io_hdr_t Completed(const sg_io_hdr_t& request, std::uint8_t status) {
  sg_io_hdr_t done = request;
  done.status = status;
  done.masked_status = static_cast<unsigned char>((status >> 1) & 0x7F);
  done.info = status == kGood ? SG_INFO_OK : SG_INFO_CHECK;
  return done;
}

// --- Outgoing: header to SG_IO request -------------------------------------

class SgIoRequestLayout : public ::testing::TestWithParam<std::tuple<std::uint8_t, std::uint8_t>> {
};

TEST_P(SgIoRequestLayout, CarriesDirectionCommandBlockSenseAndData) {
  const auto [dataIn, cdbLength] = GetParam();
  const std::uint32_t dataLength = dataIn == pt::kNoData ? 0 : 3072;
  pt::Buffer buffer = MakeBuffer(cdbLength, dataIn, dataLength);

  const auto request = BuildSgIoRequest(Span(buffer, dataLength));
  ASSERT_TRUE(request.has_value());

  EXPECT_EQ(request->interface_id, 'S');
  const int expectedDirection = dataIn == pt::kDataOut     ? SG_DXFER_TO_DEV
                                : dataIn == pt::kDataInDir ? SG_DXFER_FROM_DEV
                                                           : SG_DXFER_NONE;
  EXPECT_EQ(request->dxfer_direction, expectedDirection);
  EXPECT_EQ(request->cmd_len, cdbLength);
  EXPECT_EQ(request->cmdp, buffer.data() + pt::kCdb);
  EXPECT_EQ(request->mx_sb_len, 14);
  EXPECT_EQ(request->sbp, buffer.data() + pt::kSenseOffset);
  EXPECT_EQ(request->dxfer_len, dataLength);
  if (dataIn == pt::kNoData) {
    EXPECT_EQ(request->dxferp, nullptr);
  } else {
    EXPECT_EQ(request->dxferp, buffer.data() + pt::kDataOffset);
  }
  EXPECT_EQ(request->timeout, 2000u);
  EXPECT_EQ(request->iovec_count, 0);
  EXPECT_EQ(request->flags, 0u);
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
}

INSTANTIATE_TEST_SUITE_P(EveryDirectionAndLength, SgIoRequestLayout,
                         ::testing::Combine(::testing::Values(pt::kDataOut, pt::kDataInDir,
                                                              pt::kNoData),
                                            ::testing::Values(6, 10, 12, 16)));

TEST(SgIoRequest, ClearsStaleSenseBeforeTheCall) {
  pt::Buffer buffer = MakeBuffer(6, pt::kDataInDir, 36);
  std::fill_n(buffer.begin() + pt::kSenseOffset, pt::kSenseAreaLength, std::uint8_t{0xEE});
  ASSERT_TRUE(BuildSgIoRequest(Span(buffer, 36)).has_value());
  EXPECT_TRUE(std::all_of(buffer.begin() + pt::kSenseOffset,
                          buffer.begin() + pt::kSenseOffset + pt::kSenseAreaLength,
                          [](std::uint8_t b) { return b == 0; }));
}

struct RefusedHeader {
  const char* what;
  std::uint8_t cdbLength;
  std::uint8_t dataIn;
  std::uint32_t dataLength;
  std::size_t spanDataLength;
};

class SgIoRefusedRequest : public ::testing::TestWithParam<RefusedHeader> {};

TEST_P(SgIoRefusedRequest, IsNotBuiltAndLeavesStatusUnset) {
  const RefusedHeader& header = GetParam();
  pt::Buffer buffer = MakeBuffer(header.cdbLength, header.dataIn, header.dataLength);
  buffer[pt::kScsiStatus] = kGood;  // even a status that says GOOD must not survive
  EXPECT_FALSE(BuildSgIoRequest(Span(buffer, header.spanDataLength)).has_value());
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, SgIoRefusedRequest,
    ::testing::Values(RefusedHeader{"cdb0", 0, pt::kDataInDir, 36, 36},
                      RefusedHeader{"cdb17", 17, pt::kDataInDir, 36, 36},
                      RefusedHeader{"unknownDirection", 10, 3, 36, 36},
                      RefusedHeader{"aboveCapacity", 10, pt::kDataInDir, 16385, pt::kDataCapacity},
                      RefusedHeader{"beyondSpan", 10, pt::kDataOut, 20, 10},
                      RefusedHeader{"hugeLength", 10, pt::kDataOut, 0xFFFFFFFFu, 16}),
    [](const ::testing::TestParamInfo<RefusedHeader>& param) { return param.param.what; });

TEST(SgIoRequest, SpanShorterThanHeaderAndSenseIsRefused) {
  pt::Buffer buffer = MakeBuffer(6, pt::kNoData, 0);
  buffer[pt::kScsiStatus] = kGood;
  EXPECT_FALSE(BuildSgIoRequest(std::span<std::uint8_t>(buffer.data(), 79)).has_value());
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
}

TEST(SgIoRequest, TimeOutValueOfTheHeaderIsConverted) {
  pt::Buffer buffer = MakeBuffer(10, pt::kNoData, 0);
  pt::Put32(buffer, pt::kTimeOutValue, 7);
  EXPECT_EQ(BuildSgIoRequest(Span(buffer, 0))->timeout, 7000u);
}

// --- Incoming: SG_IO outcome to header ---------------------------------------

class SgIoStatusReported : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(SgIoStatusReported, DriveStatusBecomesScsiStatus) {
  const std::uint8_t status = GetParam();
  pt::Buffer buffer = MakeBuffer(6, pt::kDataInDir, 36);
  const auto request = BuildSgIoRequest(Span(buffer, 36));
  ASSERT_TRUE(request.has_value());
  ApplySgIoResult(Completed(*request, status), true, Span(buffer, 36));
  EXPECT_EQ(buffer[pt::kScsiStatus], status);
}

INSTANTIATE_TEST_SUITE_P(Statuses, SgIoStatusReported,
                         ::testing::Values(kGood, kCheckCondition, kBusy));

TEST(SgIoResult, CheckConditionWithDriverSenseKeepsFixedSense) {
  pt::Buffer buffer = MakeBuffer(10, pt::kNoData, 0);
  auto request = BuildSgIoRequest(Span(buffer, 0));
  ASSERT_TRUE(request.has_value());
  const std::uint8_t fixed[] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0xF7, 0x02};
  std::copy(std::begin(fixed), std::end(fixed), buffer.begin() + pt::kSenseOffset);
  sg_io_hdr_t done = Completed(*request, kCheckCondition);
  done.driver_status = kSgDriverSense;
  done.sb_len_wr = sizeof fixed;

  ApplySgIoResult(done, true, Span(buffer, 0));
  EXPECT_EQ(buffer[pt::kScsiStatus], kCheckCondition);
  EXPECT_EQ(buffer[pt::kSenseOffset + 12], 0xF7);
  EXPECT_EQ(buffer[pt::kSenseOffset + 13], 0x02);
}

struct KernelFailure {
  const char* what;
  bool ioctlSucceeded;
  std::uint16_t hostStatus;
  std::uint16_t driverStatus;
  unsigned info;
  std::uint8_t status;
};

class SgIoKernelFailure : public ::testing::TestWithParam<KernelFailure> {};

TEST_P(SgIoKernelFailure, NeverReportsAStatus) {
  const KernelFailure& failure = GetParam();
  pt::Buffer buffer = MakeBuffer(6, pt::kDataInDir, 36);
  auto request = BuildSgIoRequest(Span(buffer, 36));
  ASSERT_TRUE(request.has_value());
  request->host_status = failure.hostStatus;
  request->driver_status = failure.driverStatus;
  request->info = failure.info;
  request->status = failure.status;
  // Even a caller that left GOOD in the header must not see it.
  buffer[pt::kScsiStatus] = kGood;

  ApplySgIoResult(*request, failure.ioctlSucceeded, Span(buffer, 36));
  EXPECT_EQ(buffer[pt::kScsiStatus], pt::kStatusUnset);
}

constexpr std::uint16_t kDidNoConnect = 0x01;
constexpr std::uint16_t kDidError = 0x07;
constexpr std::uint16_t kDriverTimeout = 0x06;

INSTANTIATE_TEST_SUITE_P(
    Failures, SgIoKernelFailure,
    ::testing::Values(
        KernelFailure{"ioctlError", false, 0, 0, SG_INFO_OK, kGood},
        KernelFailure{"ioctlErrorWithCheckCondition", false, 0, 0, SG_INFO_CHECK, kCheckCondition},
        KernelFailure{"hostNoConnect", true, kDidNoConnect, 0, SG_INFO_CHECK, kGood},
        KernelFailure{"hostErrorWithCheckCondition", true, kDidError, 0, SG_INFO_CHECK,
                      kCheckCondition},
        KernelFailure{"driverTimeOut", true, 0, kDriverTimeout, SG_INFO_CHECK, kGood},
        KernelFailure{"driverTimeOutWithSense", true, 0, kDriverTimeout | kSgDriverSense,
                      SG_INFO_CHECK, kCheckCondition},
        KernelFailure{"infoNotOkWithoutStatus", true, 0, 0, SG_INFO_CHECK, kGood}),
    [](const ::testing::TestParamInfo<KernelFailure>& param) { return param.param.what; });

TEST(SgIoResult, SenseBeyondWhatTheKernelWroteIsZero) {
  pt::Buffer buffer = MakeBuffer(6, pt::kNoData, 0);
  auto request = BuildSgIoRequest(Span(buffer, 0));
  ASSERT_TRUE(request.has_value());
  std::fill_n(buffer.begin() + pt::kSenseOffset, pt::kSenseAreaLength, std::uint8_t{0xEE});
  sg_io_hdr_t done = Completed(*request, kCheckCondition);
  done.driver_status = kSgDriverSense;
  done.sb_len_wr = 8;

  ApplySgIoResult(done, true, Span(buffer, 0));
  for (std::size_t i = 0; i < pt::kSenseAreaLength; ++i) {
    EXPECT_EQ(buffer[pt::kSenseOffset + i], i < 8 ? 0xEE : 0) << "sense byte " << i;
  }
}

TEST(SgIoResult, FailedCallLeavesNoSense) {
  pt::Buffer buffer = MakeBuffer(6, pt::kNoData, 0);
  auto request = BuildSgIoRequest(Span(buffer, 0));
  ASSERT_TRUE(request.has_value());
  std::fill_n(buffer.begin() + pt::kSenseOffset, pt::kSenseAreaLength, std::uint8_t{0xEE});
  request->sb_len_wr = 14;
  ApplySgIoResult(*request, false, Span(buffer, 0));
  EXPECT_EQ(buffer[pt::kSenseOffset + 12], 0);
  EXPECT_EQ(buffer[pt::kSenseOffset + 13], 0);
}

struct DescriptorSense {
  std::uint8_t responseCode;
  std::uint8_t expectedFixedCode;
};

class SgIoDescriptorSense : public ::testing::TestWithParam<DescriptorSense> {};

TEST_P(SgIoDescriptorSense, IsRewrittenInFixedFormat) {
  pt::Buffer buffer = MakeBuffer(10, pt::kNoData, 0);
  auto request = BuildSgIoRequest(Span(buffer, 0));
  ASSERT_TRUE(request.has_value());
  // Descriptor format: key in byte 1, ASC and ASCQ in bytes 2 and 3, then an
  // information descriptor.
  const std::uint8_t descriptor[] = {
      GetParam().responseCode, 0xF5, 0xF7, 0x02, 0, 0, 0, 12, 0x00, 0x0A, 0x80, 0, 0x11, 0x22};
  std::copy(std::begin(descriptor), std::end(descriptor), buffer.begin() + pt::kSenseOffset);
  sg_io_hdr_t done = Completed(*request, kCheckCondition);
  done.driver_status = kSgDriverSense;
  done.sb_len_wr = sizeof descriptor;

  ApplySgIoResult(done, true, Span(buffer, 0));
  const std::uint8_t* sense = buffer.data() + pt::kSenseOffset;
  EXPECT_EQ(buffer[pt::kScsiStatus], kCheckCondition);
  EXPECT_EQ(sense[0], GetParam().expectedFixedCode);
  EXPECT_EQ(sense[2], 0x05);  // sense key
  EXPECT_EQ(sense[7], 10);    // additional length
  EXPECT_EQ(sense[12], 0xF7);
  EXPECT_EQ(sense[13], 0x02);
  for (std::size_t i : {1u, 3u, 4u, 5u, 6u, 8u, 9u, 10u, 11u}) {
    EXPECT_EQ(sense[i], 0) << "sense byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(CurrentAndDeferred, SgIoDescriptorSense,
                         ::testing::Values(DescriptorSense{0x72, 0x70}, DescriptorSense{0x73, 0x71},
                                           DescriptorSense{0xF2, 0x70}));

}  // namespace
}  // namespace drivesmith
