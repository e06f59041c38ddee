#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/linux/SgIoTranslation.h"
#include "transport/PassThroughLayer.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {
namespace {

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kUnset = 0xFF;

// A command as the pass-through transport hands it over: 14 bytes of sense
// room (stale here), two seconds to complete.
struct Command {
  Command(std::size_t cdbLength, PassThroughDirection direction, std::size_t dataLength)
      : cdb(cdbLength, 0x12), data(dataLength), sense(14, 0xEE) {
    request = {cdb, direction, data, sense, std::chrono::seconds{2}};
  }
  std::vector<std::uint8_t> cdb, data, sense;
  PassThroughRequest request;
};

TEST(SgIoTranslation, RequestCarriesDirectionCommandBlockSenseDataAndTimeOut) {
  const std::pair<PassThroughDirection, int> directions[] = {
      {PassThroughDirection::Out, SG_DXFER_TO_DEV},
      {PassThroughDirection::In, SG_DXFER_FROM_DEV},
      {PassThroughDirection::None, SG_DXFER_NONE}};
  for (const auto& [dataDirection, direction] : directions) {
    for (const std::size_t cdbLength : {6u, 10u, 12u, 16u}) {
      SCOPED_TRACE(::testing::Message() << "direction " << direction << ", CDB " << cdbLength);
      Command command(cdbLength, dataDirection, 3072);
      const auto request = BuildSgIoRequest(command.request);
      ASSERT_TRUE(request.has_value());
      const bool none = dataDirection == PassThroughDirection::None;
      EXPECT_EQ(request->interface_id, 'S');
      EXPECT_EQ(request->dxfer_direction, direction);
      EXPECT_EQ(request->cmd_len, cdbLength);
      EXPECT_EQ(request->cmdp, command.cdb.data());
      EXPECT_EQ(request->mx_sb_len, 14);
      EXPECT_EQ(request->sbp, command.sense.data());
      EXPECT_EQ(request->dxfer_len, none ? 0u : 3072u);
      EXPECT_EQ(request->dxferp, none ? nullptr : command.data.data());
      EXPECT_EQ(request->timeout, 2000u);
      EXPECT_EQ(command.sense[0], 0) << "stale sense survived";
      EXPECT_EQ(ApplySgIoResult(*request, true, command.sense), kGood);
    }
  }
}

// A request the kernel could not take is not built.
TEST(SgIoTranslation, RequestsOutsideTheLimitsAreNotBuilt) {
  const struct {
    const char* what;
    std::size_t cdbLength;
    PassThroughDirection direction;
    std::size_t dataLength;
  } refused[] = {{"no command block", 0, PassThroughDirection::In, 36},
                 {"command block of 17", 17, PassThroughDirection::In, 36},
                 {"unknown direction", 6, PassThroughDirection{3}, 36},
                 {"beyond the data capacity", 6, PassThroughDirection::In, 16385}};
  for (const auto& r : refused) {
    Command command(r.cdbLength, r.direction, r.dataLength);
    EXPECT_FALSE(BuildSgIoRequest(command.request).has_value()) << r.what;
  }
}

TEST(SgIoTranslation, DescriptorSenseComesBackInFixedFormat) {
  Command command(10, PassThroughDirection::None, 0);
  auto request = BuildSgIoRequest(command.request);
  ASSERT_TRUE(request.has_value());
  // Key in byte 1, ASC and ASCQ in bytes 2 and 3, then an information descriptor.
  const std::uint8_t descriptor[] = {0x72, 0xF5, 0xF7, 0x02, 0, 0,    0,
                                     12,   0x00, 0x0A, 0x80, 0, 0x11, 0x22};
  std::copy(std::begin(descriptor), std::end(descriptor), command.sense.begin());
  request->status = kCheckCondition;
  request->info = SG_INFO_CHECK;
  request->driver_status = kSgDriverSense;
  request->sb_len_wr = sizeof descriptor;
  EXPECT_EQ(ApplySgIoResult(*request, true, command.sense), kCheckCondition);
  const std::vector<std::uint8_t> fixed = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0xF7, 0x02};
  EXPECT_EQ(command.sense, fixed);

  // Fixed-format sense shorter than the room: nothing stale past its end.
  std::fill(command.sense.begin() + 8, command.sense.end(), std::uint8_t{0xEE});
  request->sb_len_wr = 8;
  EXPECT_EQ(ApplySgIoResult(*request, true, command.sense), kCheckCondition);
  EXPECT_EQ(command.sense[12], 0) << "sense beyond what the kernel wrote";
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
    std::uint8_t Issue(const PassThroughRequest& r) override {
      auto request = BuildSgIoRequest(r);
      EXPECT_TRUE(request.has_value());
      if (!request) return kUnset;
      const std::uint8_t sense[14] = {0x70, 0, 0x02, 0, 0, 0,           0,
                                      6,    0, 0,    0, 0, outcome.asc, outcome.ascq};
      std::copy(std::begin(sense), std::end(sense), request->sbp);
      request->sb_len_wr = sizeof sense;
      request->status = outcome.status;
      request->host_status = outcome.hostStatus;
      request->driver_status = outcome.driverStatus;
      request->info = outcome.info;
      return ApplySgIoResult(*request, outcome.ioctlSucceeded, r.sense);
    }
    const KernelOutcome& outcome;
  };
  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress) override {
    return std::make_unique<Device>(outcome);
  }
  KernelOutcome outcome;
};

// A failure of the kernel, the host adapter or its driver gives no status:
// the command fails without sense codes, whatever status byte and sense data
// came back with it, GOOD included.
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
      {"check without a status", {.driverStatus = kSgDriverOk, .status = 0}, 0, 0, 0},
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
