// A program that updates a simulated drive with the image appended to its own
// file, the way the wizard does: it reads the header, says so on standard
// output and waits for a line on standard input (meanwhile its file can be
// renamed over or renamed away), then presses Next > and Start and reports
// what reached the drive.
//
// Usage: running-program-update [--by-path]
//   --by-path  open the file by the path it had at start-up instead of
//              through the kernel's link to the running program's file.

#include <cstdint>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "headless/HeadlessRunner.h"
#include "platform/linux/ProgramFilePath.h"
#include "platform/linux/RunningProgramFile.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "transport/ScsiTransport.h"

namespace {

constexpr std::size_t kImageBytesCompared = 1048576;

// FNV-1a over the first MiB of the flash, where the image goes.
std::uint64_t FlashDigest(const std::vector<std::uint8_t>& flash) {
  std::uint64_t digest = 14695981039346656037ull;
  for (std::size_t i = 0; i < kImageBytesCompared && i < flash.size(); ++i) {
    digest = (digest ^ flash[i]) * 1099511628211ull;
  }
  return digest;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace drivesmith;
  const bool byPath = argc > 1 && std::string(argv[1]) == "--by-path";

  RunningProgramFile running;
  DiskProgramFile startPath(ProgramFilePath());
  ProgramFile& programFile = byPath ? static_cast<ProgramFile&>(startPath) : running;

  sim::SimulatedClock clock;
  sim::SimulatedPassThrough passThrough(clock);
  sim::DriveModel model;
  model.layout = sim::LoaderLayout::OneMegabyte;
  sim::SimulatedDrive drive(model, clock);
  passThrough.Attach({TransportMode::PassThroughLetter, 0}, drive);
  ScsiTransport transport(TransportMode::PassThroughLetter, nullptr, &passThrough);

  HeadlessRunner runner(transport, programFile, clock);
  UpdateDialog& dialog = runner.Dialog();
  dialog.InitDialog();
  std::cout << "header " << dialog.State().InformationText << std::endl;

  std::string line;
  std::getline(std::cin, line);
  dialog.OnNextStart();  // "Next >"
  dialog.OnNextStart();  // "Start"

  std::cout << "state " << StateNumber(dialog.State().UpdateState) << "\n";
  for (const RecordedMessageBox& box : runner.View().MessageBoxes()) {
    std::cout << "box " << box.text << "\n";
  }
  std::size_t transfers = 0;
  for (const sim::TraceEntry& entry : drive.Trace()) {
    if (entry.cdb[0] == 0xAA || entry.cdb[0] == 0xE2) ++transfers;
  }
  std::cout << "transfers " << transfers << "\n";
  std::cout << "flash " << std::hex << std::setw(16) << std::setfill('0')
            << FlashDigest(drive.Flash()) << std::endl;
  return 0;
}
