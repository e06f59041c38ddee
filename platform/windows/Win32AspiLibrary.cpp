#include "platform/windows/Win32AspiLibrary.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

namespace drivesmith {
namespace {

// SRB_ExecSCSICmd as ASPI for Win32 publishes it, with 32-bit pointers.
static_assert(sizeof(void*) == 4, "ASPI for Win32 takes 32-bit request blocks");
static_assert(sizeof(SrbExecScsiCmd) == 80);
static_assert(offsetof(SrbExecScsiCmd, SRB_Status) == 1);
static_assert(offsetof(SrbExecScsiCmd, SRB_HaId) == 2);
static_assert(offsetof(SrbExecScsiCmd, SRB_Flags) == 3);
static_assert(offsetof(SrbExecScsiCmd, SRB_Target) == 8);
static_assert(offsetof(SrbExecScsiCmd, SRB_Lun) == 9);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufLen) == 12);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufPointer) == 16);
static_assert(offsetof(SrbExecScsiCmd, SRB_SenseLen) == 20);
static_assert(offsetof(SrbExecScsiCmd, SRB_CDBLen) == 21);
static_assert(offsetof(SrbExecScsiCmd, SRB_HaStat) == 22);
static_assert(offsetof(SrbExecScsiCmd, SRB_TargStat) == 23);
static_assert(offsetof(SrbExecScsiCmd, SRB_PostProc) == 24);
static_assert(offsetof(SrbExecScsiCmd, SRB_Rsvd2) == 28);
static_assert(offsetof(SrbExecScsiCmd, CDBByte) == 48);
static_assert(offsetof(SrbExecScsiCmd, SenseArea) == 64);

HANDLE AsHandle(AspiEvent event) { return reinterpret_cast<HANDLE>(event); }

// GetProcAddress's result as the entry point's own type.
template <typename Entry>
Entry EntryPoint(FARPROC address) {
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(address));
}

}  // namespace

std::unique_ptr<Win32AspiLibrary> Win32AspiLibrary::Load(
    const std::string& name, std::shared_ptr<Win32CompletionWaiter> waiter) {
  HMODULE module = LoadLibraryA(name.c_str());
  if (module == nullptr) return nullptr;
  return std::unique_ptr<Win32AspiLibrary>(new Win32AspiLibrary(module, std::move(waiter)));
}

Win32AspiLibrary::Win32AspiLibrary(void* module, std::shared_ptr<Win32CompletionWaiter> waiter)
    : module_(module), waiter_(std::move(waiter)) {}

Win32AspiLibrary::~Win32AspiLibrary() { FreeLibrary(static_cast<HMODULE>(module_)); }

bool Win32AspiLibrary::HasEntryPoint(std::string_view name) {
  const std::string entry(name);
  const FARPROC address = GetProcAddress(static_cast<HMODULE>(module_), entry.c_str());
  if (entry == "GetASPI32SupportInfo") {
    supportInfo_ = EntryPoint<SupportInfoEntry>(address);
  } else if (entry == "SendASPI32Command") {
    sendCommand_ = EntryPoint<SendCommandEntry>(address);
  }
  return address != nullptr;
}

std::uint32_t Win32AspiLibrary::GetSupportInfo() {
  return supportInfo_ != nullptr ? static_cast<std::uint32_t>(supportInfo_()) : 0;
}

std::uint32_t Win32AspiLibrary::SendCommand(SrbExecScsiCmd* srb) {
  return sendCommand_ != nullptr ? static_cast<std::uint32_t>(sendCommand_(srb)) : 0;
}

AspiEvent Win32AspiLibrary::CreateCompletionEvent() {
  // Automatic reset, not signalled, no name.
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return kNoEvent;
  mostEventsOpen_ = std::max(mostEventsOpen_, ++eventsOpen_);
  return reinterpret_cast<AspiEvent>(event);
}

bool Win32AspiLibrary::WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) {
  constexpr auto kLongestWait = static_cast<std::chrono::milliseconds::rep>(INFINITE - 1);
  const auto milliseconds = timeout.count() < 0 ? 0 : std::min(timeout.count(), kLongestWait);
  return waiter_->Wait(AsHandle(event), std::chrono::milliseconds{milliseconds});
}

void Win32AspiLibrary::ResetCompletionEvent(AspiEvent event) { ResetEvent(AsHandle(event)); }

void Win32AspiLibrary::ReleaseCompletionEvent(AspiEvent event) {
  if (CloseHandle(AsHandle(event))) --eventsOpen_;
}

}  // namespace drivesmith
