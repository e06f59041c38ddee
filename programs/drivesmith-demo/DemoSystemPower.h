#pragma once
// The demo never restarts the machine or takes locks from it: it says what
// the real program would do.

#include <ostream>

#include "ui/SystemPower.h"

namespace drivesmith::demo {

class DemoSystemPower : public SystemPower {
 public:
  explicit DemoSystemPower(std::ostream& out) : out_(out) {}
  // Prints "restart requested".
  void RequestRestart(bool enableShutdownPrivilege) override;
  // Prints the reason; the lock's release is printed too.
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override;

 private:
  std::ostream& out_;
};

}  // namespace drivesmith::demo
