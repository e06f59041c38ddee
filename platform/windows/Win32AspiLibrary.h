#pragma once
// "WNASPI32.DLL" loaded with LoadLibraryA, and the Win32 events that its
// commands signal on completion.

#include <memory>
#include <string>

#include "transport/AspiLayer.h"

namespace drivesmith {

class Win32AspiLibrary : public AspiLibrary {
 public:
  // LoadLibraryA(name); null when the library cannot be loaded.
  static std::unique_ptr<Win32AspiLibrary> Load(const std::string& name);
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

 private:
  using SupportInfoEntry = unsigned long(__cdecl*)();
  using SendCommandEntry = unsigned long(__cdecl*)(void*);

  Win32AspiLibrary(void* module, SupportInfoEntry supportInfo, SendCommandEntry sendCommand);

  void* module_;
  SupportInfoEntry supportInfo_;
  SendCommandEntry sendCommand_;
};

}  // namespace drivesmith
