#include "simulator/windows-aspi-dll/SimAspiManager.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "simulator/CommandTrace.h"

namespace drivesmith::sim {
namespace {

constexpr std::uint32_t kSupportStatusOk = 0x0100;

bool HasDrive(const SimAspiSettings& settings, std::uint8_t hostAdapter, std::uint8_t target) {
  return std::any_of(settings.drives.begin(), settings.drives.end(), [&](const auto& drive) {
    return drive.hostAdapter == hostAdapter && drive.target == target;
  });
}

// The status is written last and published: the program reads it from
// another thread and takes a final value as the end of the command.
void PublishStatus(SrbExecScsiCmd& srb, std::uint8_t status) {
  std::atomic_ref<std::uint8_t>(srb.SRB_Status).store(status, std::memory_order_release);
}

void SignalCaller(const SrbExecScsiCmd& srb) {
  if ((srb.SRB_Flags & aspi::kFlagEventNotify) != 0 && srb.SRB_PostProc != nullptr) {
    SetEvent(static_cast<HANDLE>(srb.SRB_PostProc));
  }
}

std::string FlashFileName(const SimDriveSetting& drive) {
  return "flash-" + std::to_string(drive.hostAdapter) + "-" + std::to_string(drive.target) + ".bin";
}

}  // namespace

SimAspiManager::SimAspiManager(const SimAspiSettings& settings,
                               std::function<SimCompletion()> completionMode)
    : settings_(settings),
      completionMode_(std::move(completionMode)),
      driveTime_(realTime_, settings.timeScale),
      aspi_(driveTime_) {
  for (std::size_t i = 0; i < settings_.drives.size(); ++i) {
    drives_.push_back(std::make_unique<SimulatedDrive>(SimDriveModel(settings_, i), driveTime_));
    aspi_.Attach(settings_.drives[i].hostAdapter, settings_.drives[i].target, *drives_.back());
  }
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(drives_.size(), 0xFF));
  supportInfo_ = settings_.supportInfo.value_or(kSupportStatusOk | count);
  if (!settings_.traceFile.empty()) trace_.open(settings_.traceFile, std::ios::app);
  traced_.assign(drives_.size(), 0);
  for (const auto& drive : drives_) flashWritten_.push_back(drive->Flash());
}

void SimAspiManager::StartWorker() {
  if (worker_.joinable()) return;
  // The worker runs code of this library until the process ends, so the
  // library must stay loaded whatever FreeLibrary calls follow.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(&SignalCaller), &self);
  worker_ = std::thread([this] { Run(); });
}

std::uint32_t SimAspiManager::Send(SrbExecScsiCmd* srb) {
  if (srb == nullptr) return aspi_status::kInvalidCommand;
  const SimCompletion completion = completionMode_();
  const bool signals = completion.kind != SimCompletion::Kind::ImmediateUnsignalled;
  if (srb->SRB_Cmd != aspi::kExecScsiCommand || srb->SRB_Lun != 0 ||
      !HasDrive(settings_, srb->SRB_HaId, srb->SRB_Target)) {
    // Refused at once, as a manager refuses what it cannot route.
    const std::uint8_t status = srb->SRB_Cmd != aspi::kExecScsiCommand
                                    ? aspi_status::kInvalidCommand
                                    : aspi_status::kNoDevice;
    PublishStatus(*srb, status);
    if (signals) SignalCaller(*srb);
    return status;
  }

  auto command = std::make_unique<Command>();
  command->caller = srb;
  command->answer = *srb;
  command->completion = completion;
  command->arrived = std::chrono::steady_clock::now();
  const std::size_t length = srb->SRB_BufPointer != nullptr ? srb->SRB_BufLen : 0;
  command->data.assign(srb->SRB_BufPointer, srb->SRB_BufPointer + length);
  PublishStatus(*srb, aspi::kStatusPending);

  if (command->completion.kind == SimCompletion::Kind::Immediate || !signals) {
    Execute(*command);
    if (command->answer.SRB_Status == aspi::kStatusPending) return aspi::kStatusPending;
    Deliver(*command, signals);
    return command->answer.SRB_Status;
  }
  {
    const std::lock_guard lock(queueMutex_);
    StartWorker();
    arrivals_.push_back(std::move(command));
  }
  queueChanged_.notify_one();
  return aspi::kStatusPending;
}

void SimAspiManager::Execute(Command& command) {
  const std::lock_guard lock(driveMutex_);
  SrbExecScsiCmd& answer = command.answer;
  answer.SRB_BufPointer = command.data.empty() ? nullptr : command.data.data();
  // The simulated layer signals only its own events; the caller's event is
  // signalled on delivery.
  answer.SRB_Flags = static_cast<std::uint8_t>(answer.SRB_Flags & ~aspi::kFlagEventNotify);
  aspi_.SendCommand(&answer);
  RecordAfterCommand();
}

void SimAspiManager::Deliver(Command& command, bool signal) {
  SrbExecScsiCmd& caller = *command.caller;
  const SrbExecScsiCmd& answer = command.answer;
  if ((caller.SRB_Flags & aspi::kFlagDataIn) != 0 && caller.SRB_BufPointer != nullptr) {
    std::copy_n(command.data.begin(), std::min<std::size_t>(command.data.size(), caller.SRB_BufLen),
                caller.SRB_BufPointer);
  }
  std::copy(std::begin(answer.SenseArea), std::end(answer.SenseArea), caller.SenseArea);
  caller.SRB_HaStat = answer.SRB_HaStat;
  caller.SRB_TargStat = answer.SRB_TargStat;
  PublishStatus(caller, answer.SRB_Status);
  if (signal) SignalCaller(caller);
}

void SimAspiManager::RecordAfterCommand() {
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    const auto& entries = drives_[i]->Trace();
    if (trace_.is_open()) {
      for (std::size_t e = traced_[i]; e < entries.size(); ++e) {
        trace_ << FormatTraceLine(entries[e]) << '\n';
      }
      trace_.flush();
    }
    traced_[i] = entries.size();

    const std::vector<std::uint8_t>& flash = drives_[i]->Flash();
    if (settings_.flashFolder.empty() || flash == flashWritten_[i]) continue;
    const std::string path = settings_.flashFolder + "\\" + FlashFileName(settings_.drives[i]);
    const std::string staged = path + ".new";
    {
      std::ofstream out(staged, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(flash.data()),
                static_cast<std::streamsize>(flash.size()));
      if (!out) continue;
    }
    if (MoveFileExA(staged.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      flashWritten_[i] = flash;
    }
  }
}

void SimAspiManager::Run() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    while (!arrivals_.empty()) {
      std::unique_ptr<Command> command = std::move(arrivals_.front());
      arrivals_.pop_front();
      lock.unlock();
      Execute(*command);
      lock.lock();
      // A drive that does not answer leaves its block pending for good; so
      // does a completion that never comes.
      if (command->answer.SRB_Status == aspi::kStatusPending ||
          command->completion.kind == SimCompletion::Kind::Never) {
        continue;
      }
      const auto due = command->completion.kind == SimCompletion::Kind::Late
                           ? command->arrived + command->completion.delay
                           : command->arrived;
      deliveries_.emplace(due, std::move(command));
    }
    const auto now = std::chrono::steady_clock::now();
    while (!deliveries_.empty() && deliveries_.begin()->first <= now) {
      Deliver(*deliveries_.begin()->second);
      deliveries_.erase(deliveries_.begin());
    }
    if (!arrivals_.empty()) continue;
    if (deliveries_.empty()) {
      queueChanged_.wait(lock);
    } else {
      queueChanged_.wait_until(lock, deliveries_.begin()->first);
    }
  }
}

}  // namespace drivesmith::sim
