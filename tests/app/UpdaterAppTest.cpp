// Start-up and exit of the application object on simulated platforms.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/UpdaterApp.h"
#include "headless/HeadlessRunner.h"
#include "simulator/SimulatedAspi.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "simulator/SimulatedPlatform.h"
#include "tests/app/PackedProgram.h"
#include "transport/TransportSelection.h"

namespace drivesmith {
namespace {

using sim::LoaderLayout;
using sim::SimulatedAspi;
using sim::SimulatedClock;
using sim::SimulatedDrive;
using sim::SimulatedPassThrough;
using sim::SimulatedPlatform;

constexpr char kApplicationName[] = "drivesmith";

// A simulated machine: platform family, ASPI library and pass-through devices.
struct Machine {
  SimulatedClock clock;
  SimulatedPlatform platform{kPlatformNt};
  SimulatedAspi aspi{clock};
  SimulatedPassThrough passThrough{clock};
};

// Records what the dialog runner was given.
struct DialogRecord {
  int runs = 0;
  std::optional<TransportMode> mode;
  int librariesHeldDuringDialog = -1;
};

UpdaterApp::DialogRunner Recorder(DialogRecord& record, const SimulatedPlatform& platform) {
  return [&record, &platform](ScsiTransport& transport) {
    ++record.runs;
    record.mode = transport.Mode();
    record.librariesHeldDuringDialog = platform.LibrariesHeld();
  };
}

struct FailedStartUp {
  const char* name;
  std::uint32_t platformId;
  bool aspiPresent;
  const char* missingEntry;  // null: both entry points exported
  std::optional<std::uint32_t> supportInfo;
  const char* expectedText;
  const char* expectedCaption;
  MessageBoxKind expectedKind;
};

class UpdaterAppFailedStartUp : public ::testing::TestWithParam<FailedStartUp> {};

TEST_P(UpdaterAppFailedStartUp, ShowsItsBoxAndEndsWithoutDialog) {
  const FailedStartUp& c = GetParam();
  Machine machine;
  machine.platform.SetPlatformId(c.platformId);
  if (c.aspiPresent) machine.platform.SetAspi(&machine.aspi);
  if (c.missingEntry != nullptr) machine.aspi.RemoveEntryPoint(c.missingEntry);
  if (c.supportInfo) machine.aspi.OverrideSupportInfo(*c.supportInfo);

  DialogRecord record;
  int result = -1;
  {
    UpdaterApp app({machine.platform, machine.passThrough, kApplicationName},
                   Recorder(record, machine.platform));
    result = app.Run();
    EXPECT_STREQ(app.AppTitle(), "Tavix Drivesmith ver 1.0.1.0");
    EXPECT_EQ(app.Aspi(), nullptr);
  }

  EXPECT_EQ(result, 0);
  EXPECT_EQ(record.runs, 0) << "the dialog must not be shown";
  ASSERT_EQ(machine.platform.MessageBoxes().size(), 1u);
  const auto& box = machine.platform.MessageBoxes().front();
  EXPECT_EQ(box.text, c.expectedText);
  EXPECT_EQ(box.caption, c.expectedCaption);
  EXPECT_EQ(box.kind, c.expectedKind);
  EXPECT_EQ(machine.platform.LibrariesHeld(), 0) << "a failed selection keeps no library";
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, UpdaterAppFailedStartUp,
    ::testing::Values(FailedStartUp{"UnknownFamily", 0, false, nullptr, std::nullopt,
                                    "ASPI:LoadErr [0]", kApplicationName,
                                    MessageBoxKind::ExclamationOk},
                      FailedStartUp{"NoAspiLibrary", kPlatformWin9x, false, nullptr, std::nullopt,
                                    "Not found 'ASPI32.DLL'", kAppTitle, MessageBoxKind::ErrorOk},
                      FailedStartUp{"NoSendCommand", kPlatformWin9x, true, "SendASPI32Command",
                                    std::nullopt, "ASPI Function Error 'ASPI32.DLL'", kAppTitle,
                                    MessageBoxKind::ErrorOk},
                      FailedStartUp{"NoAspiManager", kPlatformWin9x, true, nullptr, 0xE800u,
                                    "Not found ASPI MANAGER", kAppTitle, MessageBoxKind::ErrorOk}),
    [](const ::testing::TestParamInfo<FailedStartUp>& param) { return param.param.name; });

TEST(UpdaterApp, AspiFamilyKeepsLibraryLoadedForTheWholeRun) {
  Machine machine;
  machine.platform.SetPlatformId(kPlatformWin9x);
  machine.platform.SetAspi(&machine.aspi);
  machine.aspi.OverrideSupportInfo(0x0100);  // status 1, no host adapter
  DialogRecord record;
  {
    UpdaterApp app({machine.platform, machine.passThrough, kApplicationName},
                   Recorder(record, machine.platform));
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(record.mode, TransportMode::Aspi);
    EXPECT_EQ(record.librariesHeldDuringDialog, 1);
    EXPECT_EQ(machine.platform.LibrariesHeld(), 1) << "kept after the dialog until the end";
    EXPECT_NE(app.Aspi(), nullptr);
  }
  EXPECT_EQ(machine.platform.LibrariesHeld(), 0);
}

// The whole program without a window: start-up hands the transport it chose
// to the dialog, and an update reaches the drive through it.
struct WholeRun {
  const char* name;
  std::uint32_t platformId;
  LoaderLayout layout;
};

class UpdaterAppWholeRun : public ::testing::TestWithParam<WholeRun> {};

TEST_P(UpdaterAppWholeRun, UpdatesTheDriveThroughTheChosenTransport) {
  const WholeRun& c = GetParam();
  testing_support::PackedProgram program(c.layout == LoaderLayout::TwoMegabyte ? 2 : 1);
  ASSERT_TRUE(program.Ready()) << program.Error();

  Machine machine;
  machine.platform.SetPlatformId(c.platformId);
  machine.platform.SetAspi(&machine.aspi);
  sim::DriveModel model;
  model.layout = c.layout;
  SimulatedDrive drive(model, machine.clock);
  machine.aspi.Attach(0, 1, drive);
  machine.passThrough.Attach("\\\\.\\cdrom0", drive);

  std::optional<HeadlessReport> report;
  UpdaterApp app({machine.platform, machine.passThrough, kApplicationName},
                 [&](ScsiTransport& transport) {
                   report = RunHeadlessUpdate(transport, program.File(), machine.clock);
                 });
  EXPECT_EQ(app.Run(), 0);

  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->finalState, 11);
  EXPECT_EQ(report->closeLabel, "Reboot");
  EXPECT_FALSE(drive.Trace().empty()) << "the commands reached the drive";
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, UpdaterAppWholeRun,
    ::testing::Values(WholeRun{"AspiOneMegabyte", kPlatformWin9x, LoaderLayout::OneMegabyte},
                      WholeRun{"PassThroughTwoMegabyte", kPlatformNt, LoaderLayout::TwoMegabyte}),
    [](const ::testing::TestParamInfo<WholeRun>& param) { return param.param.name; });

}  // namespace
}  // namespace drivesmith
