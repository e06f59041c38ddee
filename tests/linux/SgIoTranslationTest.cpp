#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/linux/SgIoTranslation.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiRequest.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {
namespace {

namespace pt = passthrough;

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kUnset = 0xFF;

// A header as the pass-through transport fills it: two seconds to complete.
pt::Buffer MakeBuffer(std::uint8_t cdbLength, std::uint8_t dataIn, std::uint32_t dataLength) {
  pt::Buffer buffer{};
  buffer[pt::kCdbLength] = cdbLength;
  buffer[pt::kSenseInfoLength] = 14;
  buffer[pt::kDataIn] = dataIn;
  pt::Put32(buffer, pt::kDataTransferLength, dataLength);
  pt::Put32(buffer, pt::kTimeOutValue, 2);
  std::fill_n(buffer.begin() + pt::kSenseOffset, pt::kSenseAreaLength, std::uint8_t{0xEE});
  return buffer;
}

std::span<std::uint8_t> Span(pt::Buffer& buffer, std::size_t dataLength) {
  return {buffer.data(), pt::kDataOffset + dataLength};
}

TEST(SgIoTranslation, RequestCarriesDirectionCommandBlockSenseDataAndTimeOut) {
  const std::pair<std::uint8_t, int> directions[] = {{pt::kDataOut, SG_DXFER_TO_DEV},
                                                     {pt::kDataInDir, SG_DXFER_FROM_DEV},
                                                     {pt::kNoData, SG_DXFER_NONE}};
  for (const auto& [dataIn, direction] : directions) {
    for (const int cdb : {6, 10, 12, 16}) {
      const auto cdbLength = static_cast<std::uint8_t>(cdb);
      SCOPED_TRACE(::testing::Message() << "DataIn " << int{dataIn} << ", CDB " << int{cdbLength});
      const std::uint32_t length = dataIn == pt::kNoData ? 0 : 3072;
      pt::Buffer buffer = MakeBuffer(cdbLength, dataIn, length);
      const auto request = BuildSgIoRequest(Span(buffer, length));
      ASSERT_TRUE(request.has_value());
      EXPECT_EQ(request->interface_id, 'S');
      EXPECT_EQ(request->dxfer_direction, direction);
      EXPECT_EQ(request->cmd_len, cdbLength);
      EXPECT_EQ(request->cmdp, buffer.data() + pt::kCdb);
      EXPECT_EQ(request->mx_sb_len, 14);
      EXPECT_EQ(request->sbp, buffer.data() + pt::kSenseOffset);
      EXPECT_EQ(request->dxfer_len, length);
      EXPECT_EQ(request->dxferp, length == 0 ? nullptr : buffer.data() + pt::kDataOffset);
      EXPECT_EQ(request->timeout, 2000u);
      EXPECT_EQ(buffer[pt::kScsiStatus], kUnset);
      EXPECT_EQ(buffer[pt::kSenseOffset], 0) << "stale sense survived";
      ApplySgIoResult(*request, true, Span(buffer, length));
      EXPECT_EQ(buffer[pt::kScsiStatus], kGood);
    }
  }
}

// Any failure before the drive answers leaves ScsiStatus 0xFF, even over GOOD.
TEST(SgIoTranslation, EveryFailureLeavesStatusUnset) {
  struct Failure {
    const char* what;
    std::uint8_t cdbLength = 6, dataIn = pt::kDataInDir;
    std::uint32_t dataLength = 36, spanLength = 36;
    bool ioctlSucceeded = true;
    std::uint16_t hostStatus = 0, driverStatus = 0;
    unsigned info = SG_INFO_OK;
  };
  const Failure failures[] = {
      {.what = "no command block", .cdbLength = 0},
      {.what = "command block of 17", .cdbLength = 17},
      {.what = "unknown direction", .dataIn = 3},
      {.what = "beyond the data capacity", .dataLength = 16385, .spanLength = 16384},
      {.what = "beyond the buffer", .dataLength = 20, .spanLength = 10},
      {.what = "SG_IO call failed", .ioctlSucceeded = false},
      {.what = "host adapter error", .hostStatus = 0x07, .info = SG_INFO_CHECK},
      {.what = "driver time-out", .driverStatus = 0x06, .info = SG_INFO_CHECK},
      {.what = "time-out with sense", .driverStatus = 0x06 | kSgDriverSense, .info = SG_INFO_CHECK},
      {.what = "check without status", .info = SG_INFO_CHECK},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    pt::Buffer buffer = MakeBuffer(failure.cdbLength, failure.dataIn, failure.dataLength);
    buffer[pt::kScsiStatus] = kGood;
    auto request = BuildSgIoRequest(Span(buffer, failure.spanLength));
    if (request) {
      request->host_status = failure.hostStatus;
      request->driver_status = failure.driverStatus;
      request->info = failure.info;
      buffer[pt::kScsiStatus] = kGood;
      ApplySgIoResult(*request, failure.ioctlSucceeded, Span(buffer, failure.spanLength));
    }
    EXPECT_EQ(buffer[pt::kScsiStatus], kUnset);
  }
}

TEST(SgIoTranslation, DescriptorSenseComesBackInFixedFormat) {
  pt::Buffer buffer = MakeBuffer(10, pt::kNoData, 0);
  auto request = BuildSgIoRequest(Span(buffer, 0));
  ASSERT_TRUE(request.has_value());
  // Key in byte 1, ASC and ASCQ in bytes 2 and 3, then an information descriptor.
  const std::uint8_t descriptor[] = {0x72, 0xF5, 0xF7, 0x02, 0, 0,    0,
                                     12,   0x00, 0x0A, 0x80, 0, 0x11, 0x22};
  std::copy(std::begin(descriptor), std::end(descriptor), buffer.begin() + pt::kSenseOffset);
  request->status = kCheckCondition;
  request->info = SG_INFO_CHECK;
  request->driver_status = kSgDriverSense;
  request->sb_len_wr = sizeof descriptor;
  ApplySgIoResult(*request, true, Span(buffer, 0));
  EXPECT_EQ(buffer[pt::kScsiStatus], kCheckCondition);
  const std::uint8_t fixed[] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0xF7, 0x02};
  EXPECT_TRUE(std::equal(std::begin(fixed), std::end(fixed), buffer.begin() + pt::kSenseOffset));
  EXPECT_EQ(buffer[pt::kSenseOffset + 14], 0) << "sense beyond what the kernel wrote";
}

// What the kernel hands back for one SG_IO request.
struct KernelOutcome {
  bool ioctlSucceeded = true;
  std::uint16_t hostStatus = 0, driverStatus = kSgDriverSense;
  std::uint8_t status = kCheckCondition;
  unsigned info = SG_INFO_CHECK;
  std::uint8_t asc = 0x3A, ascq = 0x01;  // in the fixed-format sense data written
};

// Devices that translate each request to SG_IO and back, with the kernel's
// part played by the outcome given.
struct KernelLayer : PassThroughLayer {
  struct Device : PassThroughDevice {
    explicit Device(const KernelOutcome& o) : outcome(o) {}
    void IssuePassThrough(std::span<std::uint8_t> buffer) override {
      auto request = BuildSgIoRequest(buffer);
      ASSERT_TRUE(request.has_value());
      const std::uint8_t sense[14] = {0x70, 0, 0x02, 0, 0, 0,           0,
                                      6,    0, 0,    0, 0, outcome.asc, outcome.ascq};
      std::copy(std::begin(sense), std::end(sense), request->sbp);
      request->sb_len_wr = sizeof sense;
      request->status = outcome.status;
      request->host_status = outcome.hostStatus;
      request->driver_status = outcome.driverStatus;
      request->info = outcome.info;
      ApplySgIoResult(*request, outcome.ioctlSucceeded, buffer);
    }
    const KernelOutcome& outcome;
  };
  std::unique_ptr<PassThroughDevice> Open(const std::string&) override {
    return std::make_unique<Device>(outcome);
  }
  KernelOutcome outcome;
};

// A failure of the kernel, the host adapter or its driver fails the command
// without sense codes, whatever status byte and sense data came back with it.
TEST(SgIoTranslation, HostOrDriverErrorsFailWithoutSenseCodesWhateverTheStatusByte) {
  const struct {
    const char* what;
    KernelOutcome outcome;
    int result;
    std::uint8_t asc, ascq;
  } rows[] = {
      {"the drive's CHECK CONDITION", {}, 0, 0x3A, 0x01},
      {"host adapter error", {.hostStatus = 0x07}, 0, 0, 0},
      {"host adapter error with GOOD", {.hostStatus = 0x07, .status = 0}, 0, 0, 0},
      {"driver time-out", {.driverStatus = 0x06}, 0, 0, 0},
      {"driver time-out and sense", {.driverStatus = 0x06 | kSgDriverSense}, 0, 0, 0},
      {"host error and BUSY", {.hostStatus = 0x03, .status = 0x08}, 0, 0, 0},
      {"SG_IO call failed", {.ioctlSucceeded = false}, 0, 0, 0},
      {"the drive's GOOD", {.driverStatus = kSgDriverOk, .status = 0, .info = SG_INFO_OK}, 1, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    KernelLayer layer;
    ScsiTransport transport(TransportMode::PassThroughCdrom, nullptr, &layer);
    auto request = std::make_unique<ScsiRequest>();
    request->aspi.SRB_CDBLen = 6;
    layer.outcome.asc = 0x11;
    layer.outcome.ascq = 0x22;
    ASSERT_EQ(transport.SendRequest(*request, 0), 0);
    ASSERT_EQ(request->asc, 0x11);
    layer.outcome = row.outcome;
    EXPECT_EQ(transport.SendRequest(*request, 0), row.result);
    EXPECT_EQ(request->asc, row.asc);
    EXPECT_EQ(request->ascq, row.ascq);
  }
}

}  // namespace
}  // namespace drivesmith
