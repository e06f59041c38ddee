#pragma once
// Passes pass-through requests on and writes the trace after each one, so
// the trace file grows while the update runs.

#include <memory>

#include "programs/drivesmith-demo/TraceWriter.h"
#include "transport/PassThroughLayer.h"

namespace drivesmith::demo {

class TracingPassThroughLayer : public PassThroughLayer {
 public:
  // `trace` may be null: requests only pass on.
  TracingPassThroughLayer(PassThroughLayer& inner, TraceWriter* trace)
      : inner_(inner), trace_(trace) {}
  std::unique_ptr<PassThroughDevice> Open(PassThroughAddress address) override;

 private:
  PassThroughLayer& inner_;
  TraceWriter* trace_;
};

}  // namespace drivesmith::demo
