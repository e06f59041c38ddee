#include <algorithm>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "simulator/CommandTrace.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/kernel/check/KernelChecks.h"

namespace drivesmith::kernelcheck {

namespace {

constexpr std::uint32_t kBlock = 3072;
constexpr std::uint8_t kFirstArea = 1;
constexpr std::uint16_t kSomeSum = 0x1234;
constexpr double kLoaderVersion = 2.01;  // the default loader's revision
constexpr std::uint8_t kStaleByte = 0xA5;

struct Step {
  const char* name;
  std::int32_t dataIn;  // bytes of answer to compare
  std::function<int(DriveCommands&)> run;
};

void FillBlock(DriveCommands& commands) {
  std::uint8_t* data = commands.Request().Data();
  for (std::uint32_t i = 0; i < kBlock; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
}

// Every one of the nine commands, in normal mode, in the loader, and while
// the loader erases (the erase outlasts the round).
std::vector<Step> Round() {
  return {
      {"TestUnitReady", 0, [](DriveCommands& c) { return c.TestUnitReady(); }},
      {"RequestSense", kRequestSenseLength, [](DriveCommands& c) { return c.RequestSense(); }},
      {"Inquiry", kInquiryLength, [](DriveCommands& c) { return c.Inquiry(); }},
      {"PrepareFlash in normal mode", 0, [](DriveCommands& c) { return c.PrepareFlash(0); }},
      {"ChangeToUpMode", 0, [](DriveCommands& c) { return c.ChangeToUpMode(1); }},
      {"Inquiry of the loader", kInquiryLength, [](DriveCommands& c) { return c.Inquiry(); }},
      {"TransferData 12-byte", 0,
       [](DriveCommands& c) {
         FillBlock(c);
         return c.TransferData(kBlock, kForm12Byte, kFirstArea);
       }},
      {"TransferData 10-byte", 0,
       [](DriveCommands& c) {
         FillBlock(c);
         return c.TransferData(kBlock, kForm10Byte, kFirstArea);
       }},
      {"PrepareFlash", 0, [](DriveCommands& c) { return c.PrepareFlash(0); }},
      {"WriteFlash without the loader", 0, [](DriveCommands& c) { return c.WriteFlash(0); }},
      {"EraseFlash", 0, [](DriveCommands& c) { return c.EraseFlash(0); }},
      {"ConfirmSumCode while erasing", 0,
       [](DriveCommands& c) { return c.ConfirmSumCode(kFirstArea, kSomeSum, kLoaderVersion); }},
      {"TestUnitReady while erasing", 0, [](DriveCommands& c) { return c.TestUnitReady(); }},
      {"RequestSense while erasing", kRequestSenseLength,
       [](DriveCommands& c) { return c.RequestSense(); }},
  };
}

struct Answer {
  int result;
  std::uint8_t asc, ascq;
  std::vector<std::uint8_t> data;
  bool operator==(const Answer&) const = default;
};

Answer RunStep(const Step& step, DriveCommands& commands) {
  std::fill_n(commands.Request().Data(), passthrough::kDataCapacity, kStaleByte);
  Answer answer;
  answer.result = step.run(commands);
  answer.asc = commands.Request().asc;
  answer.ascq = commands.Request().ascq;
  const std::uint8_t* data = commands.Request().Data();
  answer.data.assign(data, data + step.dataIn);
  return answer;
}

std::string Describe(const Answer& a) {
  std::ostringstream out;
  out << "result " << a.result << " asc " << std::hex << std::setw(2) << std::setfill('0')
      << int{a.asc} << " ascq " << std::setw(2) << int{a.ascq};
  if (!a.data.empty()) {
    out << " data";
    for (const std::uint8_t b : a.data) out << ' ' << std::setw(2) << int{b};
  }
  return out.str();
}

// A trace line without its time of arrival.
std::string WithoutTime(const std::string& line) { return line.substr(0, line.find(" t=")); }

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(WithoutTime(line));
  return lines;
}

}  // namespace

int CheckCommands(const CheckArguments& arguments) {
  const int cdrom = arguments.Number("cdrom", 0);
  const bool viaBlockNode = arguments.Text("via", "sg") == "sr";
  const int roundsBefore = arguments.Number("rounds-before", 0);

  // The reference: the same model in process, on a clock that stands still,
  // which the drive in the kernel matches while its erase lasts.
  sim::SimulatedClock clock;
  sim::SimulatedDrive referenceDrive(sim::DriveModel{}, clock);
  sim::SimulatedPassThrough referenceLayer(clock);
  referenceLayer.Attach({TransportMode::PassThroughCdrom, static_cast<std::uint8_t>(cdrom)},
                        referenceDrive);
  ScsiTransport referenceTransport(TransportMode::PassThroughCdrom, nullptr, &referenceLayer);
  ScsiRequest referenceRequest{};
  referenceRequest.driveIndex = static_cast<std::uint8_t>(cdrom);
  DriveCommands reference(referenceRequest, referenceTransport);
  for (int r = 0; r < roundsBefore; ++r) {
    for (const Step& step : Round()) RunStep(step, reference);
  }
  const std::size_t referenceStart = referenceDrive.Trace().size();

  KernelRig rig(cdrom, viaBlockNode);
  std::cout << "commands through " << (viaBlockNode ? "/dev/sr" : "the generic node of /dev/sr")
            << cdrom << "\n";
  Findings findings;
  for (const Step& step : Round()) {
    const Answer expected = RunStep(step, reference);
    const Answer got = RunStep(step, rig.commands);
    findings.Expect(expected == got,
                    std::string(step.name) + ": " + Describe(got) +
                        (expected == got ? "" : "\n        expected " + Describe(expected)));
  }

  // What reached the drive in the kernel: the reference's command blocks,
  // directions and lengths in order, among whatever the kernel sent itself.
  const std::vector<std::string> seen = ReadLines(arguments.Text("trace"));
  std::size_t at = 0;
  const auto& trace = referenceDrive.Trace();
  for (std::size_t i = referenceStart; i < trace.size(); ++i) {
    const std::string wanted = WithoutTime(sim::FormatTraceLine(trace[i]));
    while (at < seen.size() && seen[at] != wanted) ++at;
    if (at == seen.size()) {
      findings.Expect(false, "the drive received " + wanted);
      break;
    }
    ++at;
  }
  return findings.ExitStatus();
}

}  // namespace drivesmith::kernelcheck
