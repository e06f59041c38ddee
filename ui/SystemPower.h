#pragma once
// Port: restarting the computer, and keeping it from shutting down or
// sleeping while a drive's flash is being rewritten.

#include <memory>
#include <string>

namespace drivesmith {

// Held while an update runs; releasing it is destroying it.
class ShutdownInhibitor {
 public:
  virtual ~ShutdownInhibitor() = default;
};

class SystemPower {
 public:
  virtual ~SystemPower() = default;
  // Requests a restart. `enableShutdownPrivilege` is set on the pass-through
  // family, where the process must enable its shutdown privilege first. Any
  // failure is silent.
  virtual void RequestRestart(bool enableShutdownPrivilege) = 0;
  // Blocks shutdown, sleep and idle until the result is destroyed; null when
  // no lock can be had.
  virtual std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) = 0;
};

}  // namespace drivesmith
