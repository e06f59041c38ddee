// The Windows adapters on the system they run on (Wine here): pass-through
// on devices that exist and devices that do not, the program file and its
// identity; restart and keeping awake through the system's own calls, all
// but the restart itself.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "headless/HeadlessRunner.h"
#include "platform/windows/Win32PassThroughLayer.h"
#include "platform/windows/Win32ProgramFile.h"
#include "platform/windows/Win32SystemPower.h"
#include "tests/app/PackedProgram.h"
#include "tests/image/TempFolder.h"
#include "tests/update/UpdateBench.h"
#include "tests/windows/RecordingPowerCalls.h"
#include "transport/ScsiTransport.h"
#include "ui/MessageBox.h"

namespace drivesmith {
namespace {

// Wine has no "\\.\cdromN" in a default prefix; "\\.\c:" opens but refuses
// the pass-through request, which leaves the preset status in place.
TEST(Win32PassThroughLayerTest, MissingDevicesFailToOpenAndRefusedRequestsKeepThePresetStatus) {
  Win32PassThroughLayer layer;
  EXPECT_EQ(layer.Open({TransportMode::PassThroughCdrom, 0}), nullptr);
  EXPECT_EQ(layer.Open({TransportMode::PassThroughCdrom, 255}), nullptr);

  // Drive index 255 of the letter mode names "\\.\c:".
  std::unique_ptr<PassThroughDevice> drive = layer.Open({TransportMode::PassThroughLetter, 255});
  ASSERT_NE(drive, nullptr);
  const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 36, 0};
  std::uint8_t data[36] = {};
  std::uint8_t sense[14] = {};
  EXPECT_EQ(drive->Issue({inquiry, PassThroughDirection::In, data, sense, std::chrono::seconds{2}}),
            0xFF);

  // The whole transport.
  ScsiTransport transport(TransportMode::PassThroughLetter, nullptr, &layer);
  auto request = std::make_unique<ScsiRequest>();
  request->driveIndex = 255;
  request->aspi.SRB_CDBLen = 6;
  request->aspi.CDBByte[0] = 0x12;
  request->aspi.CDBByte[4] = 36;
  request->aspi.SRB_Flags = aspi::kFlagDataIn;
  request->asc = 0x11;
  EXPECT_EQ(transport.SendRequest(*request, 36), 0);
  EXPECT_EQ(request->asc, 0);
}

// The boxes are shown with these styles as they are: each kind must be the
// system's own icon and buttons.
TEST(Win32MessageBoxTest, EachKindIsTheSystemsStyle) {
  EXPECT_EQ(static_cast<UINT>(MessageBoxKind::ErrorOk), UINT{MB_OK | MB_ICONERROR});
  EXPECT_EQ(static_cast<UINT>(MessageBoxKind::ExclamationOk), UINT{MB_OK | MB_ICONEXCLAMATION});
  EXPECT_EQ(static_cast<UINT>(MessageBoxKind::ExclamationYesNo),
            UINT{MB_YESNO | MB_ICONEXCLAMATION});
}

TEST(Win32ProgramFileTest, NamesTheRunningProgramAndOpensItSharedForReading) {
  Win32ProgramFile programFile;
  const std::string path = programFile.Path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(CharLowerA(path.substr(path.find_last_of('\\')).data()),
            std::string("\\windows_tests.exe"));

  std::string failure;
  std::unique_ptr<OpenedFile> file = programFile.Open(path, failure);
  ASSERT_NE(file, nullptr) << failure;
  const auto length = file->QueryLength();
  ASSERT_TRUE(length.has_value());
  EXPECT_EQ(*length, std::filesystem::file_size(path));
  // "MZ" at the start, through a seek from the end.
  ASSERT_TRUE(file->SeekFromEnd(-static_cast<std::int64_t>(*length)));
  std::uint8_t magic[2] = {};
  EXPECT_EQ(file->Read(magic, 2), 2u);
  EXPECT_EQ(magic[0], 'M');
  EXPECT_EQ(magic[1], 'Z');

  EXPECT_EQ(programFile.Open(path + ".missing", failure), nullptr);
  EXPECT_NE(failure.find(path + ".missing"), std::string::npos) << failure;
}

TEST(Win32ProgramFileTest, IdentityTellsTheSameFileFromOneRenamedOverIt) {
  testing_support::TempFolder folder;
  const std::string path = folder.File("program");
  testing_support::WriteBytes(path, testing_support::ProgramBytes(4096));
  Win32ProgramFile programFile;
  std::string failure;
  const auto identityOf = [&](const std::string& file) {
    std::unique_ptr<OpenedFile> opened = programFile.Open(file, failure);
    return opened ? opened->QueryIdentity() : std::nullopt;
  };

  const auto first = identityOf(path);
  ASSERT_TRUE(first.has_value()) << failure;
  EXPECT_EQ(first->length, 4096u);
  EXPECT_EQ(identityOf(path), first) << "two opens of one unchanged file";

  // Same length and bytes, renamed into place: another file.
  const std::string staged = folder.File("staged");
  testing_support::WriteBytes(staged, testing_support::ProgramBytes(4096));
  ASSERT_TRUE(MoveFileExA(staged.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  const auto replaced = identityOf(path);
  ASSERT_TRUE(replaced.has_value());
  EXPECT_NE(replaced->index, first->index);
  EXPECT_NE(replaced, first);
}

TEST(Win32SystemPowerTest, RestartEnablesThePrivilegeOnlyWhenAskedAndFailsSilently) {
  const std::vector<std::string>& privilege = testing_support::kPrivilegeCalls;
  auto with = [](std::vector<std::string> calls, const std::string& last) {
    calls.push_back(last);
    return calls;
  };
  const struct {
    const char* name;
    bool enablePrivilege;
    std::string failing;
    std::uint32_t lastError;
    std::vector<std::string> calls;
  } rows[] = {
      {"9x family: no privilege steps", false, "", 0, {"ExitWindowsEx 2 0"}},
      {"NT family", true, "", 0, with(privilege, "ExitWindowsEx 2 0")},
      {"token cannot be opened", true, "OpenProcessToken", 0, {"OpenProcessToken 40"}},
      {"lookup fails: its result is not used", true, "LookupPrivilegeValueA", 0,
       with(privilege, "ExitWindowsEx 2 0")},
      {"privilege not assigned", true, "", ERROR_NOT_ALL_ASSIGNED, privilege},
      {"restart refused", false, "ExitWindowsEx", 0, {"ExitWindowsEx 2 0"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> log;
    Win32SystemPower power(
        std::make_unique<testing_support::RecordingPowerCalls>(log, row.failing, row.lastError));
    power.RequestRestart(row.enablePrivilege);
    EXPECT_EQ(log, row.calls);
  }
}

// Keeping awake shows in the whole update below; a refused call keeps nothing.
TEST(Win32SystemPowerTest, ARefusedKeepAwakeGivesNoInhibitor) {
  std::vector<std::string> log;
  Win32SystemPower power(
      std::make_unique<testing_support::RecordingPowerCalls>(log, "SetThreadExecutionState"));
  EXPECT_EQ(power.InhibitShutdown("reason"), nullptr);
  EXPECT_EQ(log, std::vector<std::string>{testing_support::kKeepAwakeCall});
}

// The shutdown privilege's attributes in this process's token, after
// setting them to `attributes` when given.
DWORD ShutdownPrivilege(std::optional<DWORD> attributes = std::nullopt) {
  HANDLE token = nullptr;
  LUID shutdown{};
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, &token);
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
  if (attributes) {
    TOKEN_PRIVILEGES change{1, {{shutdown, *attributes}}};
    AdjustTokenPrivileges(token, FALSE, &change, 0, nullptr, nullptr);
  }
  alignas(TOKEN_PRIVILEGES) char buffer[4096] = {};
  DWORD length = 0;
  GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &length);
  CloseHandle(token);
  const auto* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
  for (DWORD i = 0; i < held->PrivilegeCount; ++i) {
    if (held->Privileges[i].Luid.LowPart == shutdown.LowPart) return held->Privileges[i].Attributes;
  }
  return 0xFFFFFFFF;  // not held at all
}

// Through the dialog's own handlers on both pass-through modes: the update
// keeps the system awake while it runs, and "Reboot" after it really
// enables the process's shutdown privilege before it asks for the restart.
TEST(Win32SystemPowerTest, RebootAfterAPassThroughUpdateEnablesTheShutdownPrivilege) {
  using namespace testing_support;
  PackedProgram program(2);
  ASSERT_TRUE(program.Ready()) << program.Error();
  for (const TransportMode mode :
       {TransportMode::PassThroughLetter, TransportMode::PassThroughCdrom}) {
    SCOPED_TRACE(static_cast<int>(mode));
    UpdateBench bench(mode);
    bench.AddDrive(DriveOf(sim::LoaderLayout::TwoMegabyte));
    std::vector<std::string> log;
    Win32SystemPower power(std::make_unique<RecordingPowerCalls>(log));
    HeadlessRunner runner(bench.transport, program.File(), bench.clock, &power);
    ASSERT_EQ(runner.Run().finalState, WizardState::Completed);
    EXPECT_EQ(log, (std::vector<std::string>{kKeepAwakeCall, kLetSleepCall}));

    ASSERT_EQ(ShutdownPrivilege(0), 0U) << "held, but not enabled, before";
    log.clear();
    runner.Dialog().OnCloseReboot();
    std::vector<std::string> expected = kPrivilegeCalls;
    expected.push_back(kRebootCall);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(ShutdownPrivilege(), static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
  }
}

}  // namespace
}  // namespace drivesmith
