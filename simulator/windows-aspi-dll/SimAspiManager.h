#pragma once
// The simulated ASPI manager behind the exports of the simulated
// "WNASPI32.DLL": simulated drives at host adapter / target addresses, and a
// worker thread that completes commands the way a real manager does, by
// writing the block and then signalling the request's event.
//
// Each command runs on its drive in the order it arrived; its completion (data
// in, sense, status, signal) reaches the caller's block when the completion
// mode says. Until then the drive's answer waits in a block of its own, so a
// late completion writes only when it is delivered.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "simulator/ScaledClock.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/windows-aspi-dll/SimAspiSettings.h"
#include "update/Clock.h"

namespace drivesmith::sim {

class SimAspiManager {
 public:
  // `completionMode` is asked for each command.
  SimAspiManager(const SimAspiSettings& settings, std::function<SimCompletion()> completionMode);
  // Never destroyed while the process runs: the worker thread lives as long
  // as the process (a DLL must not join threads while it is unloaded).
  ~SimAspiManager() = delete;

  std::uint32_t SupportInfo() const { return supportInfo_; }
  // SendASPI32Command on an execute block: SS_PENDING (0) when the worker
  // completes it, else the final status.
  std::uint32_t Send(SrbExecScsiCmd* srb);

 private:
  struct Command {
    SrbExecScsiCmd* caller = nullptr;  // the block the program waits on
    SrbExecScsiCmd answer{};           // the drive's answer, delivered later
    std::vector<std::uint8_t> data;    // the data phase, both ways
    SimCompletion completion;
    std::chrono::steady_clock::time_point arrived;
  };

  // Starts the worker at the first command that needs it.
  void StartWorker();
  void Run();
  // Runs `command` on its drive; its answer stays in the command.
  void Execute(Command& command);
  // Copies the answer into the caller's block, status last, then signals
  // unless told not to.
  static void Deliver(Command& command, bool signal = true);
  void RecordAfterCommand();

  SimAspiSettings settings_;
  std::function<SimCompletion()> completionMode_;
  SteadyClock realTime_;
  sim::ScaledClock driveTime_;
  SimulatedAspi aspi_;
  std::vector<std::unique_ptr<SimulatedDrive>> drives_;
  std::uint32_t supportInfo_ = 0;

  std::ofstream trace_;
  std::vector<std::size_t> traced_;
  std::vector<std::vector<std::uint8_t>> flashWritten_;

  std::mutex driveMutex_;  // the drives run one command at a time
  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<std::unique_ptr<Command>> arrivals_;
  std::multimap<std::chrono::steady_clock::time_point, std::unique_ptr<Command>> deliveries_;
  std::thread worker_;
};

}  // namespace drivesmith::sim
