#include "platform/windows/Win32PowerCalls.h"

#include <windows.h>

namespace drivesmith {
namespace {

HANDLE AsHandle(std::uintptr_t token) { return reinterpret_cast<HANDLE>(token); }

// SetThreadExecutionState came with Windows 98 and Windows 2000; Windows 95
// and Windows NT 4.0 do not have it, so it is looked up at each use.
using SetThreadExecutionStateCall = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);

SetThreadExecutionStateCall FindSetThreadExecutionState() {
  const HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<SetThreadExecutionStateCall>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadExecutionState")));
}

class SystemPowerCalls : public Win32PowerCalls {
 public:
  bool OpenOwnProcessToken(std::uint32_t access, std::uintptr_t& token) override {
    HANDLE handle = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &handle)) return false;
    token = reinterpret_cast<std::uintptr_t>(handle);
    return true;
  }

  bool LookupPrivilege(const char* name, PrivilegeId& id) override {
    LUID luid{};
    const bool found = LookupPrivilegeValueA(nullptr, name, &luid) != 0;
    id = PrivilegeId{luid.LowPart, luid.HighPart};
    return found;
  }

  bool AdjustPrivilege(std::uintptr_t token, const PrivilegeId& id,
                       std::uint32_t attributes) override {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = id.low;
    privileges.Privileges[0].Luid.HighPart = id.high;
    privileges.Privileges[0].Attributes = attributes;
    return AdjustTokenPrivileges(AsHandle(token), FALSE, &privileges, 0, nullptr, nullptr) != 0;
  }

  std::uint32_t LastError() override { return GetLastError(); }

  void CloseToken(std::uintptr_t token) override { CloseHandle(AsHandle(token)); }

  bool RequestSystemExit(std::uint32_t flags, std::uint32_t reason) override {
    return ExitWindowsEx(flags, reason) != 0;
  }

  std::uint32_t SetExecutionState(std::uint32_t flags) override {
    const SetThreadExecutionStateCall setState = FindSetThreadExecutionState();
    return setState != nullptr ? setState(flags) : 0;
  }
};

}  // namespace

std::unique_ptr<Win32PowerCalls> MakeSystemPowerCalls() {
  return std::make_unique<SystemPowerCalls>();
}

}  // namespace drivesmith
