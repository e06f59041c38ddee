#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "benchmarks/CommandTimes.h"
#include "headless/HeadlessRunner.h"
#ifdef _WIN32
#include "platform/windows/Win32MessagePumpingCompletionWaiter.h"
#include "platform/windows/Win32PassThroughLayer.h"
#include "platform/windows/Win32PlatformFamily.h"
#else
#include "platform/linux/LinuxPlatformFamily.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#endif
#include "tests/app/PackedProgram.h"
#include "tests/kernel/check/KernelChecks.h"
#include "transport/TransportSelection.h"
#include "update/Clock.h"

namespace drivesmith::kernelcheck {

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
// What the two-megabyte update writes: the main areas always, the loader
// area when asked to. 0x4000 to 0x7FFF belongs to neither and keeps the old
// firmware.
constexpr std::size_t kLoaderAreaEnd = 0x4000;
constexpr std::size_t kMainAreaStart = 0x8000;

bool EqualIn(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
             std::size_t from, std::size_t to) {
  return a.size() >= to && b.size() >= to &&
         std::equal(a.begin() + static_cast<long>(from), a.begin() + static_cast<long>(to),
                    b.begin() + static_cast<long>(from));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The 12-byte TransferData refused, then blocks taken in the 10-byte form.
bool FellBackToTenBytes(const std::string& tracePath) {
  std::ifstream in(tracePath);
  bool refused = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("AA ", 0) == 0 && line.find("status 02") != std::string::npos) refused = true;
    if (refused && line.rfind("E2 ", 0) == 0 && line.find("status 00") != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace

int CheckUpdate(const CheckArguments& arguments) {
  const auto sizeMiB = static_cast<unsigned>(arguments.Number("size", 2));
  const int expectedState = arguments.Number("expect", 11);
  Findings findings;

  testing_support::PackedProgram program(sizeMiB);
  if (!program.Ready()) {
    std::cout << "  cannot build the program file: " << program.Error() << "\n";
    return 1;
  }
  const auto showBox = [](const std::string& text, const std::string&, MessageBoxKind) {
    std::cout << "  message box: " << text << "\n";
  };
#ifdef _WIN32
  Win32PlatformFamily platform(showBox, std::make_shared<Win32MessagePumpingCompletionWaiter>());
  Win32PassThroughLayer layer;
#else
  LinuxPlatformFamily platform(showBox);
  SgIoPassThroughLayer layer(arguments.Text("via", "sg") == "sr" ? kNoSysfs : "/sys", "/dev");
#endif
  const TransportSelection selection = SelectTransport(platform, layer);
  if (!selection.Ok()) {
    std::cout << "  no transport selected\n";
    return 1;
  }
  bench::CommandTimes timedLayer(layer);
  ScsiTransport transport(selection.mode, nullptr, &timedLayer);
  SteadyClock clock;
  HeadlessOptions options;
  if (arguments.Has("select")) options.selectEntry = arguments.Number("select", 0);
  options.tickUpdateLoader = arguments.Number("loader", 0) == 1;

  const auto started = clock.Now();
  const HeadlessReport report =
      RunHeadlessUpdate(transport, program.File(), clock, nullptr, options);
  const auto elapsed = clock.Now() - started;

  for (const std::string& entry : report.listEntries) std::cout << "  entry \"" << entry << "\"\n";
  std::cout << "  states";
  for (std::size_t i = 0; i < report.statesShown.size(); ++i) {
    if (i == 0 || report.statesShown[i] != report.statesShown[i - 1])
      std::cout << ' ' << StateNumber(report.statesShown[i]);
  }
  std::cout << "\n  elapsed " << elapsed.count() << " ms\n";
  timedLayer.PrintMedians();
  for (const RecordedMessageBox& box : report.messageBoxes)
    std::cout << "  message box: " << box.text << "\n";
  findings.Expect(StateNumber(report.finalState) == expectedState,
                  "final state " + std::to_string(StateNumber(report.finalState)) + ", expected " +
                      std::to_string(expectedState));
  if (arguments.Has("within")) {
    const std::chrono::seconds bound(arguments.Number("within", 0));
    findings.Expect(elapsed <= bound, "ended within " + std::to_string(bound.count()) + " s");
  }
  if (arguments.Has("entry-contains")) {
    const std::string text = arguments.Text("entry-contains");
    const int selected = report.selectedEntry.value_or(-1);
    findings.Expect(
        selected >= 0 && static_cast<std::size_t>(selected) < report.listEntries.size() &&
            report.listEntries[static_cast<std::size_t>(selected)].find(text) != std::string::npos,
        "the selected entry names " + text);
  }
  if (arguments.Has("flash")) {
    const std::vector<std::uint8_t> flash = ReadFile(arguments.Text("flash"));
    const std::vector<std::uint8_t>& image = program.Image();
    const std::size_t size = sizeMiB * kMiB;
    if (sizeMiB == 1) {
      findings.Expect(flash.size() == size && EqualIn(flash, image, 0, size),
                      "the drive's flash equals the image byte for byte");
    } else {
      findings.Expect(flash.size() == size && EqualIn(flash, image, kMainAreaStart, size),
                      "the drive's flash equals the image from 0x8000 to the end");
      if (options.tickUpdateLoader)
        findings.Expect(EqualIn(flash, image, 0, kLoaderAreaEnd),
                        "the drive's loader area equals the image's");
    }
  }
  if (arguments.Has("fallback-trace")) {
    findings.Expect(FellBackToTenBytes(arguments.Text("fallback-trace")),
                    "the refused 12-byte transfer fell back to the 10-byte form");
  }
  return findings.ExitStatus();
}

}  // namespace drivesmith::kernelcheck
