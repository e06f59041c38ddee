#pragma once
// A "WNASPI32.DLL" with simulated drives at host adapter / target addresses.
// Commands run at once and signal their event, unless told to complete
// without a signal; a drive that does not answer leaves its block pending
// forever, and waiting for it takes the whole time-out on the clock.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "simulator/SimulatedDrive.h"
#include "transport/AspiLayer.h"
#include "update/Clock.h"

namespace drivesmith::sim {

namespace aspi_status {
inline constexpr std::uint8_t kInvalidCommand = 0x80;  // SS_INVALID_CMD
inline constexpr std::uint8_t kNoDevice = 0x82;        // SS_NO_DEVICE
}  // namespace aspi_status

inline constexpr std::string_view kGetSupportInfoEntry = "GetASPI32SupportInfo";
inline constexpr std::string_view kSendCommandEntry = "SendASPI32Command";

class SimulatedAspi : public drivesmith::AspiLibrary {
 public:
  explicit SimulatedAspi(drivesmith::Clock& clock);

  void Attach(std::uint8_t hostAdapter, std::uint8_t target, SimulatedDrive& drive);

  // AspiLibrary. GetSupportInfo: status 1 in bits 8-15, the number of host
  // adapters with a drive in bits 0-7, unless overridden.
  std::uint32_t GetSupportInfo() override;
  std::uint32_t SendCommand(SrbExecScsiCmd* srb) override;
  AspiEvent CreateCompletionEvent() override;
  bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) override;
  void ResetCompletionEvent(AspiEvent event) override;
  void ReleaseCompletionEvent(AspiEvent event) override;
  bool HasEntryPoint(std::string_view name) override;

  // Configuration for start-up tests.
  void OverrideSupportInfo(std::uint32_t value) { supportInfo_ = value; }
  void RemoveEntryPoint(std::string_view name) { missingEntries_.emplace(name); }
  // A manager that finishes a command within SendASPI32Command may leave
  // its event unsignalled.
  void SignalCompletions(bool signal) { signalCompletions_ = signal; }

  // Events created and not yet released, and the most open at once.
  std::size_t EventsOpen() const { return events_.size(); }
  std::size_t MostEventsOpen() const { return mostEventsOpen_; }

 private:
  struct EventState {
    bool signalled = false;
  };
  EventState* FindEvent(AspiEvent event);

  drivesmith::Clock& clock_;
  std::map<std::pair<std::uint8_t, std::uint8_t>, SimulatedDrive*> drives_;
  std::map<AspiEvent, EventState> events_;
  AspiEvent nextEvent_ = 1;
  std::size_t mostEventsOpen_ = 0;
  bool signalCompletions_ = true;
  std::optional<std::uint32_t> supportInfo_;
  std::set<std::string, std::less<>> missingEntries_;
};

}  // namespace drivesmith::sim
