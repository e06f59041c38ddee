#pragma once
// Restart and shutdown inhibition through systemd-logind on the system bus.

#include <QtDBus/QDBusConnection>
#include <chrono>
#include <memory>
#include <string>

#include "ui/SystemPower.h"

namespace drivesmith {

// How long a call to logind may take before it counts as failed. A restart
// may wait for the user to authenticate; when that takes longer, logind
// still acts on the answer, only the program stops waiting for it.
inline constexpr std::chrono::milliseconds kLogindCallTimeout{10000};

// A logind inhibitor lock: held while the file descriptor is open.
class LogindShutdownInhibitor : public ShutdownInhibitor {
 public:
  explicit LogindShutdownInhibitor(int fileDescriptor) : fd_(fileDescriptor) {}
  ~LogindShutdownInhibitor() override;
  LogindShutdownInhibitor(const LogindShutdownInhibitor&) = delete;
  LogindShutdownInhibitor& operator=(const LogindShutdownInhibitor&) = delete;

  int FileDescriptor() const { return fd_; }

 private:
  int fd_;
};

class LogindSystemPower : public SystemPower {
 public:
  explicit LogindSystemPower(QDBusConnection bus = QDBusConnection::systemBus());

  // Asks logind to reboot, letting it ask the user to authenticate, and
  // returns without waiting for the answer. There is no privilege of the
  // process to enable on Linux: logind's own policy decides, so
  // `enableShutdownPrivilege` changes nothing. Silent on failure.
  void RequestRestart(bool enableShutdownPrivilege) override;

  // Takes a blocking "shutdown:sleep:idle" inhibitor lock; null when logind
  // is not there or refuses.
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override;

 private:
  QDBusConnection bus_;
};

}  // namespace drivesmith
