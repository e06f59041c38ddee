#pragma once
// The Win32 calls that restarting the computer and keeping it awake make, as
// one seam: the program uses the system's own, tests watch a stand-in and
// never restart the machine they run on.

#include <cstdint>
#include <memory>

namespace drivesmith {

// A locally unique identifier (LUID): low part, then high part.
struct PrivilegeId {
  std::uint32_t low = 0;
  std::int32_t high = 0;
};

class Win32PowerCalls {
 public:
  virtual ~Win32PowerCalls() = default;
  // OpenProcessToken(GetCurrentProcess(), access, &token).
  virtual bool OpenOwnProcessToken(std::uint32_t access, std::uintptr_t& token) = 0;
  // LookupPrivilegeValueA(nullptr, name, &id).
  virtual bool LookupPrivilege(const char* name, PrivilegeId& id) = 0;
  // AdjustTokenPrivileges(token, FALSE, {1, {id, attributes}}, 0, nullptr, nullptr).
  virtual bool AdjustPrivilege(std::uintptr_t token, const PrivilegeId& id,
                               std::uint32_t attributes) = 0;
  // GetLastError().
  virtual std::uint32_t LastError() = 0;
  // CloseHandle(token).
  virtual void CloseToken(std::uintptr_t token) = 0;
  // ExitWindowsEx(flags, reason).
  virtual bool RequestSystemExit(std::uint32_t flags, std::uint32_t reason) = 0;
  // SetThreadExecutionState(flags); the previous state, 0 on failure and
  // on a system without the call.
  virtual std::uint32_t SetExecutionState(std::uint32_t flags) = 0;
};

// The calls as Windows makes them.
std::unique_ptr<Win32PowerCalls> MakeSystemPowerCalls();

}  // namespace drivesmith
