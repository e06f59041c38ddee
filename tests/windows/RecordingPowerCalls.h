#pragma once
// The system's own power calls, each recorded as text on its way; the one it
// is told to fail fails instead. ExitWindowsEx and SetThreadExecutionState
// are only recorded: the machine running the tests is never restarted.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/Win32PowerCalls.h"

namespace drivesmith::testing_support {

class RecordingPowerCalls : public Win32PowerCalls {
 public:
  explicit RecordingPowerCalls(std::vector<std::string>& log, std::string failing = {},
                               std::uint32_t lastError = 0)
      : log_(log), failing_(std::move(failing)), lastError_(lastError) {}
  bool OpenOwnProcessToken(std::uint32_t access, std::uintptr_t& token) override {
    if (!Note("OpenProcessToken " + std::to_string(access)) ||
        !system_->OpenOwnProcessToken(access, token)) {
      return false;
    }
    token_ = token;
    return true;
  }
  bool LookupPrivilege(const char* name, PrivilegeId& id) override {
    const bool found = system_->LookupPrivilege(name, id);
    return Note(std::string("LookupPrivilegeValueA ") + name) && found;
  }
  bool AdjustPrivilege(std::uintptr_t token, const PrivilegeId& id,
                       std::uint32_t attributes) override {
    Note("AdjustTokenPrivileges " + std::to_string(id.low) + " " + std::to_string(attributes));
    return system_->AdjustPrivilege(token, id, attributes);
  }
  std::uint32_t LastError() override {
    const std::uint32_t error = system_->LastError();
    log_.push_back("GetLastError");
    return lastError_ != 0 ? lastError_ : error;
  }
  void CloseToken(std::uintptr_t token) override {
    log_.push_back(token == token_ ? "CloseHandle token" : "CloseHandle another handle");
    system_->CloseToken(token);
  }
  bool RequestSystemExit(std::uint32_t flags, std::uint32_t reason) override {
    return Note("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
  }
  std::uint32_t SetExecutionState(std::uint32_t flags) override {
    return Note("SetThreadExecutionState " + std::to_string(flags)) ? 1 : 0;
  }

 private:
  // Records `call`; false when it is the one to fail.
  bool Note(const std::string& call) {
    log_.push_back(call);
    return failing_.empty() || call.rfind(failing_ + " ", 0) != 0;
  }

  std::vector<std::string>& log_;
  std::string failing_;
  std::uint32_t lastError_;
  std::unique_ptr<Win32PowerCalls> system_ = MakeSystemPowerCalls();
  std::uintptr_t token_ = 0;
};

// The calls that enable the shutdown privilege (19 is its identifier).
inline const std::vector<std::string> kPrivilegeCalls = {
    "OpenProcessToken 40", "LookupPrivilegeValueA SeShutdownPrivilege",
    "AdjustTokenPrivileges 19 2", "GetLastError", "CloseHandle token"};
inline const std::string kKeepAwakeCall = "SetThreadExecutionState 2147483649";
inline const std::string kLetSleepCall = "SetThreadExecutionState 2147483648";
inline const std::string kRebootCall = "ExitWindowsEx 2 0";

}  // namespace drivesmith::testing_support
