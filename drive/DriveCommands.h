#pragma once
// The nine commands the program sends to a drive. Each builds its command
// block in the one ScsiRequest and returns SendRequest's result unchanged.

#include <cstdint>

#include "drive/Opcodes.h"
#include "transport/ScsiRequest.h"
#include "transport/ScsiTransport.h"

namespace drivesmith {

inline constexpr std::int32_t kInquiryLength = 36;
inline constexpr std::int32_t kRequestSenseLength = 14;

// TransferData's command forms.
inline constexpr std::uint32_t kForm12Byte = 1;
inline constexpr std::uint32_t kForm10Byte = 0;

class DriveCommands {
 public:
  DriveCommands(ScsiRequest& request, ScsiTransport& transport)
      : request_(request), transport_(transport) {}

  int Inquiry();
  int RequestSense();
  int TestUnitReady();
  int ChangeToUpMode(std::uint32_t modeFlag);
  int PrepareFlash(std::uint8_t parameter);
  // `loaderUpdateFlag` equal to 1 asks for the boot-loader area as well.
  int WriteFlash(std::uint32_t loaderUpdateFlag);
  int EraseFlash(std::uint32_t loaderUpdateFlag);
  // The layout depends on whether `loaderVersion` is greater than 2.0.
  int ConfirmSumCode(std::uint8_t area, std::uint16_t sum, double loaderVersion);
  // Sends the first `length` bytes of the data buffer.
  int TransferData(std::uint32_t length, std::uint32_t commandForm, std::uint8_t area);

  ScsiRequest& Request() { return request_; }
  ScsiTransport& Transport() { return transport_; }

 private:
  enum class Direction : std::uint8_t {
    None = aspi::kFlagNoData,
    In = aspi::kFlagDataIn,
    Out = aspi::kFlagDataOut
  };
  // Common steps 1 to 3: address, direction, block length, block cleared.
  std::uint8_t* Begin(Direction direction, std::uint8_t blockLength);
  int Send(std::int32_t dataLength) { return transport_.SendRequest(request_, dataLength); }

  ScsiRequest& request_;
  ScsiTransport& transport_;
};

}  // namespace drivesmith
