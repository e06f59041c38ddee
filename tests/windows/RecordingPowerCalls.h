#pragma once
// A stand-in for the Win32 power calls that records each call as text and
// fails the one it is told to; the machine running the tests is never
// restarted.

#include <string>
#include <utility>
#include <vector>

#include "platform/windows/Win32PowerCalls.h"

namespace drivesmith::testing_support {

// Records the calls, and fails the one it is told to.
class RecordingPowerCalls : public Win32PowerCalls {
 public:
  explicit RecordingPowerCalls(std::vector<std::string>& log, std::string failing = {},
                               std::uint32_t lastError = 0)
      : log_(log), failing_(std::move(failing)), lastError_(lastError) {}

  bool OpenOwnProcessToken(std::uint32_t access, std::uintptr_t& token) override {
    log_.push_back("OpenProcessToken " + std::to_string(access));
    token = 77;
    return failing_ != "OpenProcessToken";
  }
  bool LookupPrivilege(const char* name, PrivilegeId& id) override {
    log_.push_back(std::string("LookupPrivilegeValueA ") + name);
    id = PrivilegeId{19, 0};
    return failing_ != "LookupPrivilegeValueA";
  }
  bool AdjustPrivilege(std::uintptr_t token, const PrivilegeId& id,
                       std::uint32_t attributes) override {
    log_.push_back("AdjustTokenPrivileges " + std::to_string(token) + " " + std::to_string(id.low) +
                   " " + std::to_string(attributes));
    return true;
  }
  std::uint32_t LastError() override {
    log_.push_back("GetLastError");
    return lastError_;
  }
  void CloseToken(std::uintptr_t token) override {
    log_.push_back("CloseHandle " + std::to_string(token));
  }
  bool RequestSystemExit(std::uint32_t flags, std::uint32_t reason) override {
    log_.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return failing_ != "ExitWindowsEx";
  }
  std::uint32_t SetExecutionState(std::uint32_t flags) override {
    log_.push_back("SetThreadExecutionState " + std::to_string(flags));
    return failing_ == "SetThreadExecutionState" ? 0 : 1;
  }

 private:
  std::vector<std::string>& log_;
  std::string failing_;
  std::uint32_t lastError_;
};

// The calls that enable the shutdown privilege, token 77, privilege 19.
inline const std::vector<std::string> kPrivilegeCalls = {
    "OpenProcessToken 40", "LookupPrivilegeValueA SeShutdownPrivilege",
    "AdjustTokenPrivileges 77 19 2", "GetLastError", "CloseHandle 77"};
inline const std::string kKeepAwakeCall = "SetThreadExecutionState 2147483649";
inline const std::string kLetSleepCall = "SetThreadExecutionState 2147483648";
inline const std::string kRebootCall = "ExitWindowsEx 2 0";

}  // namespace drivesmith::testing_support
