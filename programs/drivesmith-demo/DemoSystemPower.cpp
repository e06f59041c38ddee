#include "programs/drivesmith-demo/DemoSystemPower.h"

namespace drivesmith::demo {

namespace {

class PrintedInhibitor : public ShutdownInhibitor {
 public:
  explicit PrintedInhibitor(std::ostream& out) : out_(out) {}
  ~PrintedInhibitor() override { out_ << "shutdown inhibitor released" << std::endl; }
  PrintedInhibitor(const PrintedInhibitor&) = delete;
  PrintedInhibitor& operator=(const PrintedInhibitor&) = delete;

 private:
  std::ostream& out_;
};

}  // namespace

void DemoSystemPower::RequestRestart(bool /*enableShutdownPrivilege*/) {
  out_ << "restart requested" << std::endl;
}

std::unique_ptr<ShutdownInhibitor> DemoSystemPower::InhibitShutdown(const std::string& reason) {
  out_ << "shutdown inhibited: " << reason << std::endl;
  return std::make_unique<PrintedInhibitor>(out_);
}

}  // namespace drivesmith::demo
