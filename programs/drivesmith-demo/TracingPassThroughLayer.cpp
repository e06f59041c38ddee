#include "programs/drivesmith-demo/TracingPassThroughLayer.h"

namespace drivesmith::demo {

namespace {

class TracingDevice : public PassThroughDevice {
 public:
  TracingDevice(std::unique_ptr<PassThroughDevice> inner, TraceWriter& trace)
      : inner_(std::move(inner)), trace_(trace) {}
  void IssuePassThrough(std::span<std::uint8_t> buffer) override {
    inner_->IssuePassThrough(buffer);
    trace_.Flush();
  }

 private:
  std::unique_ptr<PassThroughDevice> inner_;
  TraceWriter& trace_;
};

}  // namespace

std::unique_ptr<PassThroughDevice> TracingPassThroughLayer::Open(const std::string& deviceName) {
  std::unique_ptr<PassThroughDevice> device = inner_.Open(deviceName);
  if (device == nullptr || trace_ == nullptr) {
    return device;
  }
  return std::make_unique<TracingDevice>(std::move(device), *trace_);
}

}  // namespace drivesmith::demo
