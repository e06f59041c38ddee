#pragma once
// Fills a request the way a drive command does before it calls SendRequest.

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "transport/ScsiRequest.h"

namespace drivesmith::testing {

inline void PrepareCommand(ScsiRequest& request, std::uint8_t direction,
                           std::initializer_list<std::uint8_t> block) {
  SrbExecScsiCmd& srb = request.aspi;
  srb.SRB_HaId = request.hostAdapter;
  srb.SRB_Target = request.targetId;
  srb.SRB_Flags = direction;
  srb.SRB_CDBLen = static_cast<std::uint8_t>(block.size());
  std::fill(srb.CDBByte, srb.CDBByte + 12, std::uint8_t{0});
  std::copy(block.begin(), block.end(), srb.CDBByte);
}

inline void PrepareInquiry(ScsiRequest& request) {
  PrepareCommand(request, aspi::kFlagDataIn, {0x12, 0, 0, 0, 36, 0});
}
inline void PrepareTestUnitReady(ScsiRequest& request) {
  PrepareCommand(request, aspi::kFlagNoData, {0x00, 0, 0, 0, 0, 0x80});
}
inline void PrepareTransfer(ScsiRequest& request) {
  PrepareCommand(request, aspi::kFlagDataOut, {0xAA, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0});
}

}  // namespace drivesmith::testing
