#pragma once
// Restart and keeping the machine awake on Windows: the shutdown privilege
// through the process token where the family needs it, then ExitWindowsEx;
// SetThreadExecutionState while a drive's flash is rewritten.

#include <cstdint>
#include <memory>
#include <string>

#include "ui/SystemPower.h"
#include "platform/windows/Win32PowerCalls.h"

namespace drivesmith {

namespace win32power {
inline constexpr std::uint32_t kTokenAccess = 0x28;  // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
inline constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";
inline constexpr std::uint32_t kPrivilegeEnabled = 2;          // SE_PRIVILEGE_ENABLED
inline constexpr std::uint32_t kReboot = 2;                    // EWX_REBOOT
inline constexpr std::uint32_t kContinuous = 0x80000000u;      // ES_CONTINUOUS
inline constexpr std::uint32_t kSystemRequired = 0x00000001u;  // ES_SYSTEM_REQUIRED
}  // namespace win32power

// Keeps the system from sleeping on its own until destroyed.
class Win32KeepAwake : public ShutdownInhibitor {
 public:
  explicit Win32KeepAwake(Win32PowerCalls& calls) : calls_(calls) {}
  ~Win32KeepAwake() override;
  Win32KeepAwake(const Win32KeepAwake&) = delete;
  Win32KeepAwake& operator=(const Win32KeepAwake&) = delete;

 private:
  Win32PowerCalls& calls_;
};

class Win32SystemPower : public SystemPower {
 public:
  // The system's own calls.
  Win32SystemPower();
  // Other calls, for tests.
  explicit Win32SystemPower(std::unique_ptr<Win32PowerCalls> calls);

  // With `enableShutdownPrivilege`, enables the process's shutdown privilege
  // first and gives up silently when that fails; then ExitWindowsEx(EWX_REBOOT, 0),
  // whose result is not used.
  void RequestRestart(bool enableShutdownPrivilege) override;
  // SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) until the
  // result is destroyed; null when the call fails. Windows has no lock
  // against a user's shutdown, so `reason` is not shown anywhere.
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override;

 private:
  bool EnableShutdownPrivilege();

  std::unique_ptr<Win32PowerCalls> calls_;
};

}  // namespace drivesmith
