#pragma once
// Chooses the transport at start-up.

#include <cstdint>
#include <memory>

#include "transport/AspiLayer.h"
#include "transport/PassThroughLayer.h"
#include "transport/TransportMode.h"
#include "transport/TransportPlatform.h"

namespace drivesmith {

inline constexpr char kAspiLibraryName[] = "WNASPI32.DLL";

// Why no transport could be had.
enum class SelectionFailure {
  None,
  NoAspiLibrary,          // "WNASPI32.DLL" does not load
  AspiEntryPointMissing,  // it lacks GetASPI32SupportInfo or SendASPI32Command
  NoAspiManager,          // its support information does not report status 1
  UnknownPlatform,        // the platform family is neither 1 nor 2
};

struct TransportSelection {
  SelectionFailure failure = SelectionFailure::None;
  std::uint32_t platformId = 0;  // as the platform reported it
  TransportMode mode = TransportMode::Aspi;
  std::unique_ptr<AspiLibrary> aspi;  // kept loaded for the run with TransportMode::Aspi

  bool Ok() const { return failure == SelectionFailure::None; }
};

// Returns 1 when a cdrom device numbered 0 to 255 opens, 0 otherwise.
int ProbeCdromDevices(PassThroughLayer& passThrough);

// Decides the transport for the run; on a failure the library is released
// and the caller tells the user.
TransportSelection SelectTransport(TransportPlatform& platform, PassThroughLayer& passThrough);

}  // namespace drivesmith
