#pragma once
// Port: what the ASPI transport needs of "WNASPI32.DLL" and of Win32 events.

#include <chrono>
#include <cstdint>
#include <string_view>

#include "transport/ScsiRequest.h"

namespace drivesmith {

// Opaque handle of a completion event; kNoEvent when none could be created.
using AspiEvent = std::uintptr_t;
inline constexpr AspiEvent kNoEvent = 0;

class AspiLayer {
 public:
  virtual ~AspiLayer() = default;

  // GetASPI32SupportInfo: bits 0-7 host adapter count, bits 8-15 status (1 = ok).
  virtual std::uint32_t GetSupportInfo() = 0;
  // SendASPI32Command on an execute block. The layer may finish the command
  // before returning (SRB_Status final) or later, when it writes SRB_Status,
  // the sense area and the data buffer and then signals SRB_PostProc's event.
  virtual std::uint32_t SendCommand(SrbExecScsiCmd* srb) = 0;

  // Events: automatic reset, initially not signalled.
  virtual AspiEvent CreateCompletionEvent() = 0;
  // True when the event was signalled, false when the time-out ran out.
  virtual bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) = 0;
  virtual void ResetCompletionEvent(AspiEvent event) = 0;
  virtual void ReleaseCompletionEvent(AspiEvent event) = 0;
};

// A loaded "WNASPI32.DLL". Destroying it releases the library.
class AspiLibrary : public AspiLayer {
 public:
  // GetProcAddress: whether the library exports the named entry point.
  virtual bool HasEntryPoint(std::string_view name) = 0;
};

}  // namespace drivesmith
