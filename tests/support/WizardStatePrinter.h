#pragma once
// Failure messages name a wizard state by its number, as the state table does.

#include <ostream>

#include "update/EngineState.h"

namespace drivesmith {
inline void PrintTo(WizardState state, std::ostream* out) {
  *out << "state " << StateNumber(state);
}
}  // namespace drivesmith
