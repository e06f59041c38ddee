#include "simulator/tcmu/DriveService.h"

#include <cstdio>
#include <iostream>
#include <thread>
#include <utility>

#include "drive/Opcodes.h"
#include "simulator/CommandTrace.h"
#include "simulator/SenseCodes.h"
#include "simulator/tcmu/DriveCommandLayout.h"

namespace drivesmith::tcmu {

namespace {

constexpr std::uint8_t kDeferredFixed = 0x71;
constexpr std::uint8_t kCurrentDescriptor = 0x72;
constexpr std::uint8_t kDeferredDescriptor = 0x73;
constexpr std::size_t kDescriptorHeaderLength = 8;
constexpr std::uint8_t kAscInternalTargetFailure = 0x44;
constexpr std::size_t kAreaByte = 8;  // TransferData, both forms

bool IsTransferData(std::uint8_t code) {
  return code == opcode::kTransferData10 || code == opcode::kTransferData12;
}

}  // namespace

std::vector<std::uint8_t> DescriptorSenseOf(std::span<const std::uint8_t> fixedSense) {
  std::vector<std::uint8_t> sense(kDescriptorHeaderLength, 0);
  if (fixedSense.size() <= scsi::kSenseAscqByte) return sense;
  sense[0] = (fixedSense[0] & 0x7F) == kDeferredFixed ? kDeferredDescriptor : kCurrentDescriptor;
  sense[1] = fixedSense[2] & 0x0F;
  sense[2] = fixedSense[scsi::kSenseAscByte];
  sense[3] = fixedSense[scsi::kSenseAscqByte];
  return sense;
}

DriveService::DriveService(sim::SimulatedDrive& drive, DeviceFaults faults,
                           const std::string& tracePath, std::string flashPath)
    : drive_(drive), faults_(faults), tracePath_(tracePath), flashPath_(std::move(flashPath)) {
  if (!tracePath_.empty()) trace_.open(tracePath_, std::ios::out | std::ios::trunc);
}

void DriveService::Record(const sim::TraceEntry& entry) {
  if (tracePath_.empty()) return;
  trace_ << sim::FormatTraceLine(entry) << '\n';
  trace_.flush();
}

bool DriveService::Serve(const RingCommand& command, RingAnswer& answer) {
  if (silent_) return false;
  const std::vector<std::uint8_t> cdb = DriveCommandBlock(command.cdb);
  const std::uint8_t code = cdb.empty() ? 0 : cdb[0];
  const sim::DataDirection direction = DataDirectionOf(code, command.data.size());
  const bool transfer = IsTransferData(code) && cdb.size() > kAreaByte;

  sim::TraceEntry deviceEntry;
  deviceEntry.cdb = cdb;
  deviceEntry.direction = direction;
  deviceEntry.dataLength = static_cast<std::uint32_t>(command.data.size());
  if (transfer && faults_.stopAtBlock && blocksTaken_ >= *faults_.stopAtBlock) {
    silent_ = true;
    deviceEntry.status = sim::kStatusNoAnswer;
    Record(deviceEntry);
    return false;
  }
  if (transfer && faults_.holdBlock == blocksTaken_) {
    std::cout << "holding block " << blocksTaken_ << std::endl;
    std::this_thread::sleep_for(kHoldTime);
  }
  if (transfer && faults_.failFirstBlockOfArea && !areaFailureGiven_ &&
      cdb[kAreaByte] == *faults_.failFirstBlockOfArea) {
    areaFailureGiven_ = true;
    const sim::SenseData fixed =
        sim::MakeSense(sim::kSenseKeyHardwareError, kAscInternalTargetFailure, 0);
    answer.status = sim::kStatusCheckCondition;
    answer.sense.assign(fixed.begin(), fixed.end());
    deviceEntry.status = answer.status;
    deviceEntry.asc = kAscInternalTargetFailure;
    Record(deviceEntry);
  } else {
    answer.data = command.data;
    const sim::CommandOutcome outcome = drive_.Execute(cdb, direction, answer.data);
    Record(drive_.Trace().back());
    if (!outcome.answered) {
      silent_ = true;
      return false;
    }
    answer.status = outcome.status;
    answer.dataInCommand = direction == sim::DataDirection::In;
    answer.dataIn = outcome.dataIn;
    if (outcome.status == sim::kStatusCheckCondition)
      answer.sense.assign(outcome.sense.begin(), outcome.sense.end());
    if (transfer && outcome.status == sim::kStatusGood) ++blocksTaken_;
  }
  if (faults_.descriptorSense && !answer.sense.empty())
    answer.sense = DescriptorSenseOf(answer.sense);
  SaveFlashWhenWorkChanged();
  return true;
}

void DriveService::SaveFlashWhenWorkChanged() {
  if (flashPath_.empty()) return;
  const auto work = std::make_pair(drive_.Work(), drive_.WorkError());
  if (savedWork_ && *savedWork_ == work) return;
  if (SaveFlash()) savedWork_ = work;
}

bool DriveService::SaveFlash() {
  if (flashPath_.empty()) return true;
  const std::string partial = flashPath_ + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    const std::vector<std::uint8_t>& flash = drive_.Flash();
    out.write(reinterpret_cast<const char*>(flash.data()),
              static_cast<std::streamsize>(flash.size()));
    if (!out.flush()) return false;
  }
  return std::rename(partial.c_str(), flashPath_.c_str()) == 0;
}

}  // namespace drivesmith::tcmu
