// The simulated "WNASPI32.DLL" loaded the way drivesmith.exe loads an ASPI
// manager, and the ASPI transport on top of it: commands completed from the
// manager's own thread, within the call, late and never.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "drive/DriveCommands.h"
#include "headless/HeadlessRunner.h"
#include "platform/windows/Win32AspiLibrary.h"
#include "platform/windows/Win32MessagePumpingCompletionWaiter.h"
#include "platform/windows/Win32ProgramFile.h"
#include "tests/app/PackedProgram.h"
#include "tests/image/TempFolder.h"
#include "tests/support/WizardStatePrinter.h"
#include "transport/ScsiTransport.h"
#include "update/Clock.h"

namespace drivesmith {
namespace {

using namespace std::chrono_literals;

// The folder the simulated drives write their flash to, for the whole run.
const testing_support::TempFolder& FlashFolder() {
  static const testing_support::TempFolder folder;
  return folder;
}

// The library from the build tree, waiting as drivesmith.exe does (serving
// the window's messages). It reads its drives at its first call, and the
// completion mode at each command.
std::unique_ptr<Win32AspiLibrary> LoadSimulatedAspi() {
  SetEnvironmentVariableA("DRIVESMITH_SIM_DRIVES", "2m@0:0,1m@0:1");
  SetEnvironmentVariableA("DRIVESMITH_SIM_FLASH", FlashFolder().Path().string().c_str());
  SetEnvironmentVariableA("DRIVESMITH_SIM_TIME_SCALE", "0.001");
  const std::string self = Win32ProgramFile().Path();
  return Win32AspiLibrary::Load(
      self.substr(0, self.find_last_of('\\')) + "\\..\\..\\sim-aspi\\WNASPI32.DLL",
      std::make_shared<Win32MessagePumpingCompletionWaiter>());
}

void SetCompletion(const char* mode) { SetEnvironmentVariableA("DRIVESMITH_SIM_COMPLETION", mode); }

std::string Product(const ScsiRequest& request) {
  return std::string(reinterpret_cast<const char*>(request.Data()) + 16, 16);
}

// The whole wizard on the one-megabyte drive, on a manager that completes
// every command within the call and never signals: the update ends in state
// 11 with the image in the flash the drive wrote out, and over the scan and
// the update the transport holds no command and at most one event at a time.
// (drivesmith.exe's own updates through this library run end to end.)
TEST(SimulatedAspiDllTest, UpdatesOnAManagerThatNeverSignals) {
  std::unique_ptr<Win32AspiLibrary> library = LoadSimulatedAspi();
  ASSERT_TRUE(library && library->HasEntryPoint("GetASPI32SupportInfo") &&
              library->HasEntryPoint("SendASPI32Command"));
  SetCompletion("immediate-unsignalled");
  ScsiTransport transport(TransportMode::Aspi, library.get(), nullptr);
  testing_support::PackedProgram program(1);
  ASSERT_TRUE(program.Ready()) << program.Error();
  SteadyClock clock;
  HeadlessOptions options;
  options.selectEntry = 1;
  const HeadlessReport report =
      RunHeadlessUpdate(transport, program.File(), clock, nullptr, options);
  ASSERT_EQ(report.listEntries.size(), 2u);
  EXPECT_EQ(report.listEntries[1], "HA:0 ID:1  TAVIX   ZWR2040 DVD-RW  1.00");
  EXPECT_EQ(report.finalState, WizardState::Completed);
  EXPECT_EQ(testing_support::ReadBytes(FlashFolder().File("flash-0-1.bin")), program.Image());
  EXPECT_EQ(transport.AbandonedAspiCommands(), 0u);
  EXPECT_EQ(library->EventsOpen(), 0u);
  EXPECT_EQ(library->MostEventsOpen(), 1u);
  SetCompletion("async");
}

// Calls of CountTick, a timer's procedure.
int ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

// A completion that comes after the 5000 ms wait, or never: the command
// fails, and neither the record nor the next commands see anything of it. A
// late completion releases its event only after it has been signalled.
// Meanwhile the window's messages are served: a timer goes on ticking.
TEST(SimulatedAspiDllTest, LateAndLostCompletionsLeaveTheRecordAndLaterCommandsAlone) {
  std::unique_ptr<Win32AspiLibrary> library = LoadSimulatedAspi();
  ASSERT_TRUE(library && library->HasEntryPoint("GetASPI32SupportInfo") &&
              library->HasEntryPoint("SendASPI32Command"));
  const struct {
    const char* completion;
    std::size_t heldAtTheEnd;
  } rows[] = {{"late:5600", 0}, {"never", 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.completion);
    ScsiTransport transport(TransportMode::Aspi, library.get(), nullptr);
    auto request = std::make_unique<ScsiRequest>();
    DriveCommands commands(*request, transport);
    // What the other drive answers, whichever mode earlier tests left it in.
    SetCompletion("async");
    request->targetId = 1;
    ASSERT_EQ(commands.Inquiry(), 1);
    const std::string otherProduct = Product(*request);
    request->targetId = 0;
    request->asc = 0x11;
    request->ascq = 0x22;
    std::fill_n(request->Data(), kInquiryLength, std::uint8_t{0x77});

    SetCompletion(row.completion);
    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CountTick);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(commands.Inquiry(), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    KillTimer(nullptr, timer);
    EXPECT_GE(ticks, 3) << "the wait served no message";
    EXPECT_TRUE(waited >= kAspiCompletionTimeout && waited < kAspiCompletionTimeout + 3s);
    EXPECT_EQ(request->asc, 0) << "a command without a status has no sense data";
    EXPECT_EQ(request->ascq, 0);
    EXPECT_EQ(request->Data()[0], 0x77);
    EXPECT_EQ(transport.AbandonedAspiCommands(), 1u);

    // The next commands on the other drive, while the late one comes in.
    SetCompletion("async");
    request->targetId = 1;
    // At least past the late completion; on a slow machine a little longer,
    // until the transport has let the late command go.
    constexpr int kRounds = 12, kMostRounds = 60;
    for (int i = 0;
         i < kRounds || (i < kMostRounds && transport.AbandonedAspiCommands() > row.heldAtTheEnd);
         ++i) {
      std::fill_n(request->Data(), kInquiryLength, std::uint8_t{0});
      EXPECT_EQ(commands.RequestSense(), 1);
      EXPECT_EQ(commands.Inquiry(), 1);
      EXPECT_EQ(Product(*request), otherProduct);
      EXPECT_EQ(request->asc, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(transport.AbandonedAspiCommands(), row.heldAtTheEnd);
  }
  SetCompletion("async");
}

}  // namespace
}  // namespace drivesmith
