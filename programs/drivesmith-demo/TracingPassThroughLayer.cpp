#include "programs/drivesmith-demo/TracingPassThroughLayer.h"

namespace drivesmith::demo {

namespace {

class TracingDevice : public PassThroughDevice {
 public:
  TracingDevice(std::unique_ptr<PassThroughDevice> inner, TraceWriter& trace)
      : inner_(std::move(inner)), trace_(trace) {}
  std::uint8_t Issue(const PassThroughRequest& request) override {
    const std::uint8_t status = inner_->Issue(request);
    trace_.Flush();
    return status;
  }

 private:
  std::unique_ptr<PassThroughDevice> inner_;
  TraceWriter& trace_;
};

}  // namespace

std::unique_ptr<PassThroughDevice> TracingPassThroughLayer::Open(PassThroughAddress address) {
  std::unique_ptr<PassThroughDevice> device = inner_.Open(address);
  if (device == nullptr || trace_ == nullptr) {
    return device;
  }
  return std::make_unique<TracingDevice>(std::move(device), *trace_);
}

}  // namespace drivesmith::demo
