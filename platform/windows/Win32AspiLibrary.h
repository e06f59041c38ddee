#pragma once
// "WNASPI32.DLL" loaded with LoadLibraryA, and the Win32 events that its
// commands signal on completion.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/windows/Win32CompletionWaiter.h"
#include "transport/AspiLayer.h"

namespace drivesmith {

class Win32AspiLibrary : public AspiLibrary {
 public:
  // LoadLibraryA(name); null when the library cannot be loaded. Completion
  // events are waited for through `waiter`.
  static std::unique_ptr<Win32AspiLibrary> Load(const std::string& name,
                                                std::shared_ptr<Win32CompletionWaiter> waiter);
  ~Win32AspiLibrary() override;
  Win32AspiLibrary(const Win32AspiLibrary&) = delete;
  Win32AspiLibrary& operator=(const Win32AspiLibrary&) = delete;

  bool HasEntryPoint(std::string_view name) override;
  std::uint32_t GetSupportInfo() override;
  std::uint32_t SendCommand(SrbExecScsiCmd* srb) override;
  AspiEvent CreateCompletionEvent() override;
  bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) override;
  void ResetCompletionEvent(AspiEvent event) override;
  void ReleaseCompletionEvent(AspiEvent event) override;

  // Events created and not yet released, and the most open at once.
  std::size_t EventsOpen() const { return eventsOpen_; }
  std::size_t MostEventsOpen() const { return mostEventsOpen_; }

 private:
  using SupportInfoEntry = unsigned long(__cdecl*)();
  using SendCommandEntry = unsigned long(__cdecl*)(void*);

  Win32AspiLibrary(void* module, std::shared_ptr<Win32CompletionWaiter> waiter);

  void* module_;
  std::shared_ptr<Win32CompletionWaiter> waiter_;
  SupportInfoEntry supportInfo_ = nullptr;
  SendCommandEntry sendCommand_ = nullptr;
  std::size_t eventsOpen_ = 0;
  std::size_t mostEventsOpen_ = 0;
};

}  // namespace drivesmith
