#pragma once
// Chooses the transport at start-up.

#include <memory>
#include <string>

#include "transport/AspiLayer.h"
#include "transport/PassThroughLayer.h"
#include "transport/TransportMode.h"
#include "transport/TransportPlatform.h"

namespace drivesmith {

inline constexpr char kAppTitle[] = "Tavix Drivesmith ver 1.0.1.0";
inline constexpr char kAspiLibraryName[] = "WNASPI32.DLL";

struct TransportSelection {
  int ok = 0;  // 1 when `mode` holds a usable transport
  TransportMode mode = TransportMode::Aspi;
  std::unique_ptr<AspiLibrary> aspi;  // kept loaded for the run with TransportMode::Aspi
};

// Returns 1 when a cdrom device numbered 0 to 255 opens, 0 otherwise.
int ProbeCdromDevices(PassThroughLayer& passThrough);

// `applicationName` captions the box for an unknown platform family.
TransportSelection SelectTransport(TransportPlatform& platform, PassThroughLayer& passThrough,
                                   const std::string& applicationName);

}  // namespace drivesmith
