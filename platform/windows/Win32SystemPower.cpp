#include "platform/windows/Win32SystemPower.h"

#include <utility>

namespace drivesmith {

Win32KeepAwake::~Win32KeepAwake() { calls_.SetExecutionState(win32power::kContinuous); }

Win32SystemPower::Win32SystemPower() : Win32SystemPower(MakeSystemPowerCalls()) {}

Win32SystemPower::Win32SystemPower(std::unique_ptr<Win32PowerCalls> calls)
    : calls_(std::move(calls)) {}

bool Win32SystemPower::EnableShutdownPrivilege() {
  std::uintptr_t token = 0;
  if (!calls_->OpenOwnProcessToken(win32power::kTokenAccess, token)) return false;
  PrivilegeId shutdown;
  // Its result is not used: a failed lookup shows in the adjustment's error.
  calls_->LookupPrivilege(win32power::kShutdownPrivilege, shutdown);
  calls_->AdjustPrivilege(token, shutdown, win32power::kPrivilegeEnabled);
  // The adjustment reports success also when it could not assign the
  // privilege; only the last-error value tells.
  const std::uint32_t error = calls_->LastError();
  calls_->CloseToken(token);
  return error == 0;
}

void Win32SystemPower::RequestRestart(bool enableShutdownPrivilege) {
  if (enableShutdownPrivilege && !EnableShutdownPrivilege()) return;
  calls_->RequestSystemExit(win32power::kReboot, 0);
}

std::unique_ptr<ShutdownInhibitor> Win32SystemPower::InhibitShutdown(const std::string&) {
  if (calls_->SetExecutionState(win32power::kContinuous | win32power::kSystemRequired) == 0) {
    return nullptr;
  }
  return std::make_unique<Win32KeepAwake>(*calls_);
}

}  // namespace drivesmith
