#include "simulator/SimulatedDrive.h"

#include <algorithm>
#include <cstring>

#include "drive/Opcodes.h"

namespace drivesmith::sim {

namespace {

// Commands an operating system sends to an optical drive on its own.
namespace op {
constexpr std::uint8_t kModeSense6 = 0x1A;
constexpr std::uint8_t kPreventAllowRemoval = 0x1E;
constexpr std::uint8_t kReadCapacity = 0x25;
constexpr std::uint8_t kReadToc = 0x43;
constexpr std::uint8_t kGetConfiguration = 0x46;
constexpr std::uint8_t kGetEventStatus = 0x4A;
constexpr std::uint8_t kReadDiscInformation = 0x51;
constexpr std::uint8_t kModeSense10 = 0x5A;
}  // namespace op

constexpr std::uint8_t kLoaderFlag = 0x40;
constexpr std::size_t kInquiryDataLength = 36;

bool IsVendorCommand(std::uint8_t code) {
  switch (code) {
    case opcode::kTransferData12:
    case opcode::kPrepareFlash:
    case opcode::kWriteFlash:
    case opcode::kTransferData10:
    case opcode::kEraseFlash:
    case opcode::kConfirmSumCode:
      return true;
    default:
      return false;
  }
}

// The block length each protocol command must arrive with.
std::size_t RequiredBlockLength(std::uint8_t code) {
  if (code == opcode::kTransferData12 || code == opcode::kConfirmSumCode) return 12;
  if (code >= 0x20) return 10;
  return 6;
}

CommandOutcome Good() {
  CommandOutcome outcome;
  outcome.answered = true;
  outcome.status = kStatusGood;
  return outcome;
}

CommandOutcome Check(std::uint8_t ascCode, std::uint8_t ascq = 0) {
  CommandOutcome outcome;
  outcome.answered = true;
  outcome.status = kStatusCheckCondition;
  outcome.sense = MakeSense(SenseKeyFor(ascCode), ascCode, ascq);
  return outcome;
}

CommandOutcome CheckWith(const SenseData& sense) {
  CommandOutcome outcome;
  outcome.answered = true;
  outcome.status = kStatusCheckCondition;
  outcome.sense = sense;
  return outcome;
}

// GOOD with `answer` copied into the data span, at most `allocation` bytes.
CommandOutcome GoodWithData(std::span<const std::uint8_t> answer, std::size_t allocation,
                            DataDirection direction, std::span<std::uint8_t> data) {
  CommandOutcome outcome = Good();
  if (direction != DataDirection::In) return outcome;
  const std::size_t count = std::min({answer.size(), allocation, data.size()});
  std::copy_n(answer.begin(), count, data.begin());
  outcome.dataIn = static_cast<std::uint32_t>(count);
  return outcome;
}

void PutText(std::array<std::uint8_t, kInquiryDataLength>& data, std::size_t at, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) {
    data[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{' '};
  }
}

std::size_t Allocation16(std::span<const std::uint8_t> cdb, std::size_t at) {
  if (cdb.size() < at + 2) return 0;
  return static_cast<std::size_t>((cdb[at] << 8) | cdb[at + 1]);
}

}  // namespace

SimulatedDrive::SimulatedDrive(DriveModel model, drivesmith::Clock& clock)
    : model_(WithDefaults(std::move(model))),
      clock_(clock),
      loaderVersion_(LoaderVersionOf(model_)),
      flash_(FlashSize(model_.layout), model_.initialFlashSeed) {}

const std::vector<std::uint8_t>& SimulatedDrive::Flash() const {
  Settle();
  return flash_.Bytes();
}

const std::vector<TraceEntry>& SimulatedDrive::Trace() const { return trace_; }
bool SimulatedDrive::InUpMode() const { return upMode_; }
const DriveModel& SimulatedDrive::Model() const { return model_; }
bool SimulatedDrive::LoaderUpdateRequested() const { return loaderUpdateRequested_; }

const std::vector<std::uint8_t>& SimulatedDrive::AreaData(std::uint8_t area) const {
  static const std::vector<std::uint8_t> kEmpty;
  const auto found = areas_.find(area);
  return found == areas_.end() ? kEmpty : found->second;
}

WorkState SimulatedDrive::Work() const {
  Settle();
  if (!work_) return WorkState::Idle;
  if (work_->error) return WorkState::Failed;
  return work_->stepsDone >= work_->steps.size() ? WorkState::Finished : WorkState::Running;
}

std::optional<std::uint8_t> SimulatedDrive::WorkError() const {
  Settle();
  return work_ ? work_->error : std::nullopt;
}

CommandOutcome SimulatedDrive::Execute(std::span<const std::uint8_t> cdb, DataDirection direction,
                                       std::span<std::uint8_t> data) {
  const int number = commandsReceived_++;
  TraceEntry entry;
  entry.cdb.assign(cdb.begin(), cdb.end());
  entry.direction = direction;
  entry.dataLength = static_cast<std::uint32_t>(data.size());
  entry.at = clock_.Now();

  CommandOutcome outcome;
  const DriveFaults& faults = model_.faults;
  if (faults.stopRespondingAfter && number >= *faults.stopRespondingAfter) {
    outcome.answered = false;
    entry.status = kStatusNoAnswer;
    trace_.push_back(std::move(entry));
    return outcome;
  }
  Settle();
  if (faults.failCommandNumber && number == *faults.failCommandNumber) {
    outcome = Check(faults.failAsc);
  } else {
    outcome = Dispatch(cdb, direction, data);
  }
  entry.status = outcome.status;
  if (outcome.status == kStatusCheckCondition) {
    entry.asc = outcome.sense[12];
    entry.ascq = outcome.sense[13];
  }
  trace_.push_back(std::move(entry));
  return outcome;
}

CommandOutcome SimulatedDrive::Dispatch(std::span<const std::uint8_t> cdb, DataDirection direction,
                                        std::span<std::uint8_t> data) {
  if (cdb.empty()) return Check(asc::kInvalidOperationCode);
  const std::uint8_t code = cdb[0];
  const std::size_t required = RequiredBlockLength(code);
  if (IsVendorCommand(code) || code == opcode::kChangeToUpMode) {
    if (cdb.size() != required) return Check(asc::kInvalidField);
  } else if (cdb.size() < required) {
    return Check(asc::kInvalidField);
  }

  switch (code) {
    case opcode::kTestUnitReady:
      return TestUnitReady();
    case opcode::kRequestSense:
      return RequestSense(cdb, direction, data);
    case opcode::kInquiry:
      return Inquiry(cdb, direction, data);
    case opcode::kChangeToUpMode:
      if (cdb[9] != kLoaderFlag) return Check(asc::kInvalidField);
      upMode_ = true;
      StartOver();
      return Good();
    default:
      break;
  }
  if (IsVendorCommand(code)) {
    if (!upMode_) return Check(asc::kInvalidOperationCode);
    return DispatchUpModeVendor(cdb, direction, data);
  }
  bool handled = false;
  CommandOutcome outcome = BackgroundCommand(cdb, direction, data, handled);
  if (handled) return outcome;
  return Check(asc::kInvalidOperationCode);
}

CommandOutcome SimulatedDrive::DispatchUpModeVendor(std::span<const std::uint8_t> cdb,
                                                    DataDirection direction,
                                                    std::span<std::uint8_t> data) {
  const std::uint8_t code = cdb[0];
  // The loader takes no new order while it works on its flash.
  if (work_ && !work_->error && work_->stepsDone < work_->steps.size()) {
    return Check(asc::kDrivePhase, work_->steps[work_->stepsDone].phase);
  }
  switch (code) {
    case opcode::kTransferData12:
      if (model_.faults.refuse12ByteTransfer) return Check(asc::kInvalidOperationCode);
      return TransferData(cdb, direction, data);
    case opcode::kTransferData10:
      return TransferData(cdb, direction, data);
    case opcode::kPrepareFlash:
      return PrepareFlash(cdb);
    case opcode::kWriteFlash:
      return WriteFlash(cdb);
    case opcode::kEraseFlash:
      return EraseFlash(cdb);
    case opcode::kConfirmSumCode:
      return ConfirmSumCode(cdb);
    default:
      return Check(asc::kInvalidOperationCode);
  }
}

SenseData SimulatedDrive::CurrentSense() const {
  if (!upMode_) return MakeSense(kSenseKeyNotReady, asc::kMediumNotPresent, 0);
  Settle();
  if (work_) {
    if (work_->error) return MakeSense(SenseKeyFor(*work_->error), *work_->error, 0);
    if (work_->stepsDone < work_->steps.size()) {
      return MakeSense(kSenseKeyNotReady, asc::kDrivePhase, work_->steps[work_->stepsDone].phase);
    }
  }
  // The loader has no medium: idle and finished both read "medium not present".
  return MakeSense(kSenseKeyNotReady, asc::kMediumNotPresent, 0);
}

CommandOutcome SimulatedDrive::TestUnitReady() { return CheckWith(CurrentSense()); }

CommandOutcome SimulatedDrive::RequestSense(std::span<const std::uint8_t> cdb,
                                            DataDirection direction, std::span<std::uint8_t> data) {
  const SenseData sense = CurrentSense();
  return GoodWithData(sense, cdb[4], direction, data);
}

CommandOutcome SimulatedDrive::Inquiry(std::span<const std::uint8_t> cdb, DataDirection direction,
                                       std::span<std::uint8_t> data) {
  if ((cdb[1] & 0x01) != 0) return Check(asc::kInvalidField);  // no vital product data pages
  std::array<std::uint8_t, kInquiryDataLength> answer{};
  answer[0] = 0x05;  // CD/DVD device
  answer[1] = 0x80;  // removable medium
  answer[2] = 0x00;
  answer[3] = 0x02;  // response data format
  answer[4] = static_cast<std::uint8_t>(kInquiryDataLength - 5);
  PutText(answer, 8, 8, model_.vendor);
  PutText(answer, 16, 16, upMode_ ? model_.loaderProduct : model_.product);
  PutText(answer, 32, 4, upMode_ ? model_.loaderRevision : model_.revision);
  return GoodWithData(answer, cdb[4], direction, data);
}

bool SimulatedDrive::AreaValid(std::uint8_t area) const {
  if (model_.layout == LoaderLayout::OneMegabyte) return area == 0;
  return area == 1 || area == 2 || area == 5;
}

CommandOutcome SimulatedDrive::TransferData(std::span<const std::uint8_t> cdb,
                                            DataDirection direction, std::span<std::uint8_t> data) {
  const std::size_t length = static_cast<std::size_t>((cdb[6] << 8) | cdb[7]);
  const std::uint8_t area = cdb[8];
  if (direction != DataDirection::Out || length == 0 || data.size() != length || !AreaValid(area)) {
    return Check(asc::kInvalidField);
  }
  const int blockIndex = blocksAccepted_[area];
  const auto refusals = model_.faults.mediumNotPresentBeforeBlock.find(blockIndex);
  if (refusals != model_.faults.mediumNotPresentBeforeBlock.end()) {
    int& given = mediumRefusalsGiven_[{area, blockIndex}];
    if (given < refusals->second) {
      ++given;
      return Check(asc::kMediumNotPresent);
    }
  }
  std::vector<std::uint8_t>& collection = areas_[area];
  collection.insert(collection.end(), data.begin(), data.end());
  ++blocksAccepted_[area];
  return Good();
}

CommandOutcome SimulatedDrive::PrepareFlash(std::span<const std::uint8_t> cdb) {
  const std::uint8_t parameter = cdb[3];
  bool accepted = false;
  if (model_.faults.acceptedPrepareParameter) {
    accepted = parameter == *model_.faults.acceptedPrepareParameter;
  } else if (model_.layout == LoaderLayout::OneMegabyte) {
    accepted = parameter <= 2;
  } else {
    accepted = parameter == 0;
  }
  if (!accepted) return Check(asc::kInvalidField);
  preparedWith_ = parameter;
  return Good();
}

std::uint16_t SimulatedDrive::AreaSum(std::uint8_t area) const {
  std::uint32_t sum = 0;
  for (std::uint8_t byte : AreaData(area)) sum += byte;
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::optional<std::uint8_t> SimulatedDrive::ProgramArea(std::uint8_t area, std::size_t base,
                                                        std::size_t length) {
  const std::vector<std::uint8_t>& bytes = AreaData(area);
  if (bytes.size() != length) return asc::kAreaLengthWrong;
  flash_.Program(base, bytes);
  return std::nullopt;
}

CommandOutcome SimulatedDrive::WriteFlash(std::span<const std::uint8_t> cdb) {
  if (!preparedWith_) return Check(asc::kCommandSequenceError);
  const bool withLoader = cdb[9] == kLoaderFlag;
  if (model_.layout == LoaderLayout::OneMegabyte) {
    loaderUpdateRequested_ = withLoader;
    const bool wrongSum = model_.faults.reportWrongSum;
    StartWork({
        {phase::kSumCheck,
         [this, wrongSum]() -> std::optional<std::uint8_t> {
           if (AreaData(0).size() != kOneMegabyteAreaLength) return asc::kAreaLengthWrong;
           if (wrongSum) return asc::kSumMismatch;
           return std::nullopt;
         }},
        {phase::kErasing,
         [this]() -> std::optional<std::uint8_t> {
           flash_.Erase(0, flash_.Size());
           return std::nullopt;
         }},
        {phase::kWriting, [this] { return ProgramArea(0, 0, kOneMegabyteAreaLength); }},
        {phase::kFinalSumCheck,
         [this]() -> std::optional<std::uint8_t> {
           const std::vector<std::uint8_t>& area = AreaData(0);
           if (!std::equal(area.begin(), area.end(), flash_.Bytes().begin())) {
             return asc::kSumMismatch;
           }
           return std::nullopt;
         }},
    });
    return Good();
  }
  // Two-megabyte layout: WriteFlash only ever writes the loader area.
  if (!withLoader) return Check(asc::kInvalidField);
  StartWork({{phase::kWriting,
              [this] { return ProgramArea(5, layout2m::kLoaderBase, layout2m::kLoaderLength); }}});
  return Good();
}

CommandOutcome SimulatedDrive::EraseFlash(std::span<const std::uint8_t> cdb) {
  if (model_.layout != LoaderLayout::TwoMegabyte) return Check(asc::kInvalidOperationCode);
  if (!preparedWith_) return Check(asc::kCommandSequenceError);
  const bool withLoader = cdb[9] == kLoaderFlag;
  StartWork({{phase::kErasing, [this, withLoader]() -> std::optional<std::uint8_t> {
                flash_.Erase(layout2m::kMainBase, flash_.Size());
                if (withLoader) {
                  flash_.Erase(layout2m::kLoaderBase,
                               layout2m::kLoaderBase + layout2m::kLoaderLength);
                }
                return std::nullopt;
              }}});
  return Good();
}

CommandOutcome SimulatedDrive::ConfirmSumCode(std::span<const std::uint8_t> cdb) {
  if (model_.layout != LoaderLayout::TwoMegabyte) return Check(asc::kInvalidOperationCode);
  if (!preparedWith_) return Check(asc::kCommandSequenceError);
  // The block's layout follows this loader's own version.
  const std::size_t at = loaderVersion_ > 2.0 ? 6 : 8;
  const std::uint8_t area = cdb[at];
  if (cdb[at + 1] != kLoaderFlag || (area != 1 && area != 2)) return Check(asc::kInvalidField);
  const auto sum = static_cast<std::uint16_t>((cdb[at + 2] << 8) | cdb[at + 3]);
  const std::size_t base = area == 1 ? layout2m::kMainBase : layout2m::kUpperBase;
  const std::size_t length = area == 1 ? layout2m::kMainLength : layout2m::kUpperLength;
  const bool wrongSum = model_.faults.reportWrongSum;
  StartWork({
      {phase::kSumCheck,
       [this, area, sum, length, wrongSum]() -> std::optional<std::uint8_t> {
         if (AreaData(area).size() != length) return asc::kAreaLengthWrong;
         if (wrongSum || AreaSum(area) != sum) return asc::kSumMismatch;
         return std::nullopt;
       }},
      {phase::kWriting, [this, area, base, length] { return ProgramArea(area, base, length); }},
  });
  return Good();
}

void SimulatedDrive::StartOver() {
  Settle();
  if (work_ && !work_->error && work_->stepsDone < work_->steps.size()) return;
  work_.reset();
  areas_.clear();
  blocksAccepted_.clear();
  preparedWith_.reset();
  loaderUpdateRequested_ = false;
}

void SimulatedDrive::StartWork(std::vector<WorkStep> steps) {
  FlashWork work;
  work.steps = std::move(steps);
  work.started = clock_.Now();
  work.error = model_.faults.workErrorAsc;
  work_ = std::move(work);
  Settle();
}

void SimulatedDrive::Settle() const {
  if (!work_ || work_->error) return;
  FlashWork& work = *work_;
  const auto elapsed = clock_.Now() - work.started;
  const auto duration = model_.phaseDuration;
  while (work.stepsDone < work.steps.size()) {
    // A drive that never finishes stays in its last phase.
    if (model_.faults.neverFinish && work.stepsDone + 1 == work.steps.size()) return;
    const auto phaseEnd = duration * static_cast<std::int64_t>(work.stepsDone + 1);
    if (elapsed < phaseEnd) return;
    if (const std::optional<std::uint8_t> error = work.steps[work.stepsDone].atEnd()) {
      work.error = error;
      return;
    }
    ++work.stepsDone;
  }
}

CommandOutcome SimulatedDrive::BackgroundCommand(std::span<const std::uint8_t> cdb,
                                                 DataDirection direction,
                                                 std::span<std::uint8_t> data, bool& handled) {
  handled = true;
  switch (cdb[0]) {
    case op::kGetEventStatus: {
      // "No event available": a header with the NEA bit and no descriptor.
      static constexpr std::array<std::uint8_t, 4> kNoEvent{0x00, 0x02, 0x80, 0x10};
      return GoodWithData(kNoEvent, Allocation16(cdb, 7), direction, data);
    }
    case op::kModeSense6: {
      static constexpr std::array<std::uint8_t, 4> kHeader{0x03, 0x00, 0x00, 0x00};
      return GoodWithData(kHeader, cdb[4], direction, data);
    }
    case op::kModeSense10: {
      static constexpr std::array<std::uint8_t, 8> kHeader{0x00, 0x06, 0, 0, 0, 0, 0, 0};
      return GoodWithData(kHeader, Allocation16(cdb, 7), direction, data);
    }
    case op::kGetConfiguration: {
      // Data length 4, current profile 0 (no disc).
      static constexpr std::array<std::uint8_t, 8> kHeader{0x00, 0x00, 0x00, 0x04, 0, 0, 0, 0};
      return GoodWithData(kHeader, Allocation16(cdb, 7), direction, data);
    }
    case op::kPreventAllowRemoval:
      return Good();
    case op::kReadCapacity:
    case op::kReadToc:
    case op::kReadDiscInformation:
      return Check(asc::kMediumNotPresent);
    default:
      handled = false;
      return Check(asc::kInvalidOperationCode);
  }
}

}  // namespace drivesmith::sim
