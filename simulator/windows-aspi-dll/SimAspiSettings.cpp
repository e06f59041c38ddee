#include "simulator/windows-aspi-dll/SimAspiSettings.h"

#include <cstdlib>

#include "simulator/FaultCatalogue.h"
#include "simulator/NumberText.h"
#include "simulator/ScaledClock.h"

namespace drivesmith::sim {
namespace {

constexpr char kDrivesVariable[] = "DRIVESMITH_SIM_DRIVES";
constexpr char kTraceVariable[] = "DRIVESMITH_SIM_TRACE";
constexpr char kFlashVariable[] = "DRIVESMITH_SIM_FLASH";
constexpr char kFaultVariable[] = "DRIVESMITH_SIM_FAULT";
constexpr char kTimeScaleVariable[] = "DRIVESMITH_SIM_TIME_SCALE";
constexpr char kCompletionVariable[] = "DRIVESMITH_SIM_COMPLETION";
constexpr char kSupportVariable[] = "DRIVESMITH_SIM_SUPPORT";
constexpr char kDefaultDrives[] = "2m@0:0";
constexpr char kLatePrefix[] = "late:";

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

std::optional<SimDriveSetting> ParseDrive(const std::string& text, std::size_t index) {
  const std::size_t at = text.find('@');
  const std::string layout = text.substr(0, at);
  SimDriveSetting drive;
  if (layout == "1m") {
    drive.layout = LoaderLayout::OneMegabyte;
  } else if (layout == "2m") {
    drive.layout = LoaderLayout::TwoMegabyte;
  } else {
    return std::nullopt;
  }
  if (at == std::string::npos) {
    if (index > 0xFF) return std::nullopt;
    drive.target = static_cast<std::uint8_t>(index);
    return drive;
  }
  const std::string address = text.substr(at + 1);
  const std::size_t colon = address.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto hostAdapter = ParseWholeNumber(address.substr(0, colon), NumberBase::Decimal, 0xFF);
  const auto target = ParseWholeNumber(address.substr(colon + 1), NumberBase::Decimal, 0xFF);
  if (!hostAdapter || !target) return std::nullopt;
  drive.hostAdapter = static_cast<std::uint8_t>(*hostAdapter);
  drive.target = static_cast<std::uint8_t>(*target);
  return drive;
}

std::optional<SimCompletion> ParseCompletion(const std::string& text) {
  if (text == "async") return SimCompletion{};
  if (text == "immediate") return SimCompletion{SimCompletion::Kind::Immediate, {}};
  if (text == "immediate-unsignalled") {
    return SimCompletion{SimCompletion::Kind::ImmediateUnsignalled, {}};
  }
  if (text == "never") return SimCompletion{SimCompletion::Kind::Never, {}};
  if (text.rfind(kLatePrefix, 0) == 0) {
    constexpr std::uint64_t kLongestDelay = 24ull * 60 * 60 * 1000;  // a day
    const auto delay = ParseWholeNumber(text.substr(sizeof kLatePrefix - 1), NumberBase::Decimal, kLongestDelay);
    if (!delay) return std::nullopt;
    return SimCompletion{SimCompletion::Kind::Late,
                         std::chrono::milliseconds(static_cast<std::int64_t>(*delay))};
  }
  return std::nullopt;
}

}  // namespace

std::optional<SimAspiSettings> ReadSimAspiSettings(const EnvironmentReader& environment,
                                                   std::string& error) {
  SimAspiSettings settings;
  const std::string drives = environment(kDrivesVariable).value_or(kDefaultDrives);
  const std::vector<std::string> drivesList = SplitAtCommas(drives);
  for (std::size_t i = 0; i < drivesList.size(); ++i) {
    const std::optional<SimDriveSetting> drive = ParseDrive(drivesList[i], i);
    if (!drive) {
      error = std::string(kDrivesVariable) + ": \"" + drivesList[i] +
              "\" is not 1m or 2m, optionally followed by @HA:ID";
      return std::nullopt;
    }
    for (const SimDriveSetting& other : settings.drives) {
      if (other.hostAdapter == drive->hostAdapter && other.target == drive->target) {
        error = std::string(kDrivesVariable) + ": two drives at " +
                std::to_string(drive->hostAdapter) + ":" + std::to_string(drive->target);
        return std::nullopt;
      }
    }
    settings.drives.push_back(*drive);
  }

  settings.traceFile = environment(kTraceVariable).value_or("");
  settings.flashFolder = environment(kFlashVariable).value_or("");
  if (const auto faults = environment(kFaultVariable); faults && !faults->empty()) {
    for (const std::string& name : SplitAtCommas(*faults)) {
      const std::optional<Fault> fault = FaultNamed(name);
      if (!fault) {
        error = std::string(kFaultVariable) + ": unknown fault \"" + name + "\"";
        return std::nullopt;
      }
      settings.faults.push_back(*fault);
    }
  }
  if (const auto scale = environment(kTimeScaleVariable)) {
    const std::optional<double> value = ParseDecimalNumber(*scale);
    if (!value || *value < kSmallestTimeScale) {
      error = std::string(kTimeScaleVariable) + ": needs a positive number, not \"" + *scale + "\"";
      return std::nullopt;
    }
    settings.timeScale = *value;
  }
  if (const auto completion = environment(kCompletionVariable)) {
    const std::optional<SimCompletion> parsed = ParseCompletion(*completion);
    if (!parsed) {
      error = std::string(kCompletionVariable) + ": \"" + *completion +
              "\" is not async, immediate, immediate-unsignalled, late:MS or never";
      return std::nullopt;
    }
    settings.completion = *parsed;
  }
  if (const auto support = environment(kSupportVariable)) {
    const auto value = ParseWholeNumber(*support, NumberBase::DecimalOrHex, 0xFFFFFFFFu);
    if (!value) {
      error = std::string(kSupportVariable) + ": \"" + *support + "\" is not a 32-bit number";
      return std::nullopt;
    }
    settings.supportInfo = static_cast<std::uint32_t>(*value);
  }
  return settings;
}

SimCompletion ReadSimCompletion(const EnvironmentReader& environment) {
  const auto text = environment(kCompletionVariable);
  if (!text) return SimCompletion{};
  return ParseCompletion(*text).value_or(SimCompletion{});
}

DriveModel SimDriveModel(const SimAspiSettings& settings, std::size_t index) {
  return DriveModelWithFaults(settings.drives.at(index).layout, settings.faults, index);
}

}  // namespace drivesmith::sim
