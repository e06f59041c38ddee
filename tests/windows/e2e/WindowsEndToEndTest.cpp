// The Windows program end to end under Wine: the packed drivesmith.exe is
// started as a real process and driven through its window. On the 9x family
// it reaches the simulated drives through the simulated WNASPI32.DLL beside
// it; on the NT family, in the kernel guest, drives behind the kernel's SCSI
// target through Wine's own pass-through. What counts is what the windows
// show and what the drives' flash holds afterwards.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/image/TempFolder.h"
#include "tests/support/ExpectedStateTexts.h"
#include "tests/windows/e2e/DesktopProgram.h"
#include "tests/windows/e2e/TestPaths.h"
#include "ui/DialogView.h"

namespace drivesmith::wintest {
namespace {

namespace fs = std::filesystem;

constexpr char kDialogCaption[] = "Tavix Drivesmith Ver. 10.0";
constexpr char kAppTitle[] = "Tavix Drivesmith ver 1.0.1.0";
const std::string kStateChooseDrive = expected::StateText(0, false);
const std::string kStateStart = expected::StateText(1, false);
const std::string kStateCompleted = expected::StateText(11, false);
const std::string kStateFailed = expected::StateText(12, false);
constexpr std::uint32_t kPlatform9x = 1;
constexpr std::uint32_t kPlatformNt = 2;
constexpr int kProgressEnd = 1000;
constexpr int kLogoClicksToReveal = 6;
// How much later than the double-click time a deliberate press comes.
constexpr auto kSecondPressMargin = std::chrono::milliseconds(100);

int Id(ControlId id) { return static_cast<int>(id); }

std::uint32_t PlatformId() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  return info.dwPlatformId;
}

// A fresh folder for one test, holding the packed program as drivesmith.exe
// and, when given, `aspiLibrary` as WNASPI32.DLL.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name, const char* aspiLibrary = nullptr)
      : path_(fs::path(WindowsPath(kScratchFolder)) / name) {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    fs::create_directories(path_ / "flash");
    fs::copy_file(WindowsPath(kPackedProgram), Program());
    if (aspiLibrary != nullptr) fs::copy_file(WindowsPath(aspiLibrary), path_ / "WNASPI32.DLL");
  }
  std::string Program() const { return (path_ / "drivesmith.exe").string(); }
  std::string Folder() const { return path_.string(); }
  fs::path FlashFolder() const { return path_ / "flash"; }

 private:
  fs::path path_;
};

// True when the CTest entry has Wine load WNASPI32.DLL in `mode` ("n", "b",
// "" for none) for the programs it starts (a Windows parent cannot).
bool AspiOverrideIs(const std::string& mode) {
  char overrides[1024] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
  const std::string all = std::string(";") + overrides + ";";
  return all.find(";wnaspi32=" + mode + ";") != std::string::npos;
}

void ExpectStartScreen(HWND dialog) {
  EXPECT_EQ(ControlText(dialog, Id(ControlId::StateArea)), kStateChooseDrive);
  EXPECT_EQ(ControlText(dialog, Id(ControlId::NextStart)), "Next >");
  EXPECT_FALSE(ControlEnabled(dialog, Id(ControlId::Back)));
  EXPECT_FALSE(ControlVisible(dialog, Id(ControlId::UpdateLoader)));
  EXPECT_EQ(ProgressPosition(dialog, Id(ControlId::ProgressBar)), 0);
  EXPECT_EQ(ControlText(dialog, Id(ControlId::Title)),
            "DVD/CD Rewritable Drive F/W Update Program\r\nDrivesmith");
  // The image description read from the program's own file.
  EXPECT_EQ(ControlText(dialog, Id(ControlId::Information)).rfind("TAVIX", 0), 0U);
}

bool StateIs(HWND dialog, const std::string& text) {
  return ControlText(dialog, Id(ControlId::StateArea)) == text;
}

// Start takes a press of its own, after the system's double-click time.
void WaitOutDoubleClick() {
  std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime()) + kSecondPressMargin);
}

// One update through the window on a 9x machine with a 1M and a 2M drive.
struct DriveCase {
  const char* name;
  int listIndex;
  bool asksToChangeLayout;  // the 1M-to-2M question
  std::size_t flashFrom;    // the image areas the drive's flash must hold
  std::size_t flashTo;
  bool endWithEscape;  // else the close box
};

// The drive's flash file holds the image areas the update writes.
void ExpectFlashHoldsImage(const std::string& flashFile, const DriveCase& drive) {
  const std::vector<std::uint8_t> flash = testing_support::ReadBytes(flashFile);
  const std::vector<std::uint8_t> image = testing_support::ReadBytes(WindowsPath(kPackedImage));
  ASSERT_GE(flash.size(), drive.flashTo) << flashFile;
  ASSERT_GE(image.size(), drive.flashTo);
  const auto from = static_cast<std::ptrdiff_t>(drive.flashFrom);
  const auto to = static_cast<std::ptrdiff_t>(drive.flashTo);
  EXPECT_TRUE(std::equal(flash.begin() + from, flash.begin() + to, image.begin() + from))
      << flashFile;
}

class NineXUpdate : public ::testing::TestWithParam<DriveCase> {};

TEST_P(NineXUpdate, ThroughTheWindowToCompletion) {
  ASSERT_EQ(PlatformId(), kPlatform9x) << "this test needs a prefix that reports Windows 98";
  // Message times are negative as signed 32-bit values from here on.
  ASSERT_GE(GetTickCount(), 0x80000000U) << "this test needs the system's uptime past 2^31 ms";
  const DriveCase& drive = GetParam();
  ScratchFolder scratch(std::string("update-") + drive.name, kSimulatedAspi);
  ASSERT_TRUE(AspiOverrideIs("n"));
  DesktopProgram program(scratch.Program(), scratch.Folder(),
                         {{"DRIVESMITH_SIM_DRIVES", "1m@0:0,2m@0:1"},
                          {"DRIVESMITH_SIM_FLASH", scratch.FlashFolder().string()},
                          {"DRIVESMITH_SIM_TIME_SCALE", "0.01"}});
  ASSERT_TRUE(program.Started());

  HWND dialog = program.WaitForWindow(kDialogCaption, kWindowWait);
  ASSERT_NE(dialog, nullptr) << "exit status " << std::hex << program.ExitCode();
  const std::vector<std::string> entries = ListEntries(dialog, Id(ControlId::DriveList));
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0].rfind("HA:0 ID:0  ", 0), 0U) << entries[0];
  EXPECT_EQ(entries[1].rfind("HA:0 ID:1  ", 0), 0U) << entries[1];
  EXPECT_EQ(SelectedListIndex(dialog, Id(ControlId::DriveList)), 0);
  ExpectStartScreen(dialog);
  SaveScreenshot(dialog, std::string("9x-") + drive.name + "-state0");

  SelectListIndex(dialog, Id(ControlId::DriveList), drive.listIndex);
  // The keyboard and mouse go to the dialog from now on. A double click on
  // Next > shows Start and goes no further: no update, no question.
  ASSERT_TRUE(ActivateWindow(dialog));
  ASSERT_TRUE(DoubleClick(GetDlgItem(dialog, Id(ControlId::NextStart))));
  ASSERT_TRUE(WaitUntil([&] { return StateIs(dialog, kStateStart); }, kWindowWait));
  WaitOutDoubleClick();
  ASSERT_TRUE(Settle(dialog));
  EXPECT_TRUE(StateIs(dialog, kStateStart));
  EXPECT_EQ(program.DialogWindows().size(), 1U);
  EXPECT_EQ(ControlText(dialog, Id(ControlId::NextStart)), "Start");
  EXPECT_TRUE(ControlEnabled(dialog, Id(ControlId::Back)));
  ClickButton(dialog, Id(ControlId::NextStart));
  if (drive.asksToChangeLayout) {
    const ShownMessageBox question = program.WaitForMessageBox(kWindowWait, dialog);
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.caption, "Warning!!");
    EXPECT_EQ(question.text, "You'll change FROM 1M to 2M.\r\nContinue?");
    EXPECT_NE(GetDlgItem(question.window, IDNO), nullptr);
    SaveScreenshot(question.window, std::string("9x-") + drive.name + "-question");
    ClickButton(question.window, IDYES);
  }

  // While the update runs the window paints its phases, and what reaches it
  // meanwhile (Escape on the keyboard, a close request, clicks that would
  // reveal the check box) is dropped.
  ASSERT_TRUE(WaitUntil([&] { return ProgressPosition(dialog, Id(ControlId::ProgressBar)) > 0; },
                        kUpdateWait));
  SaveScreenshot(dialog, std::string("9x-") + drive.name + "-updating");
  EXPECT_TRUE(TypeKeys("Escape"));
  const int progressAfterKey = ProgressPosition(dialog, Id(ControlId::ProgressBar));
  EXPECT_TRUE(progressAfterKey > 0 && progressAfterKey < kProgressEnd)
      << "the key came after the update: " << progressAfterKey;
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  for (int click = 0; click < kLogoClicksToReveal; ++click) {
    ClickStatic(dialog, Id(ControlId::Logo));
  }

  ASSERT_TRUE(WaitUntil(
      [&] {
        return StateIs(dialog, kStateCompleted) || StateIs(dialog, kStateFailed) ||
               !program.Running();
      },
      kUpdateWait));
  ASSERT_TRUE(program.Running()) << "the program ended with status " << std::hex
                                 << program.ExitCode();
  ASSERT_TRUE(Settle(dialog));
  EXPECT_EQ(ControlText(dialog, Id(ControlId::StateArea)), kStateCompleted);
  EXPECT_TRUE(program.Running());
  EXPECT_FALSE(ControlVisible(dialog, Id(ControlId::UpdateLoader)));
  EXPECT_EQ(ControlText(dialog, Id(ControlId::Close)), "Reboot");
  EXPECT_TRUE(ControlEnabled(dialog, Id(ControlId::Close)));
  EXPECT_FALSE(ControlEnabled(dialog, Id(ControlId::NextStart)));
  EXPECT_FALSE(ControlEnabled(dialog, Id(ControlId::Back)));
  EXPECT_EQ(ProgressPosition(dialog, Id(ControlId::ProgressBar)), kProgressEnd);
  SaveScreenshot(dialog, std::string("9x-") + drive.name + "-completed");

  // The cancel path ends the program without a restart.
  if (drive.endWithEscape) {
    EXPECT_TRUE(ActivateWindow(dialog));
    EXPECT_TRUE(TypeKeys("Escape"));
  } else {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  }
  EXPECT_TRUE(program.WaitForExit(kWindowWait));

  std::vector<std::string> flashFiles;
  for (const auto& entry : fs::directory_iterator(scratch.FlashFolder())) {
    flashFiles.push_back(entry.path().string());
  }
  ASSERT_EQ(flashFiles.size(), 1U) << "only the updated drive's flash changes";
  ExpectFlashHoldsImage(flashFiles[0], drive);
}

const auto kDriveCases = ::testing::Values(DriveCase{"1M", 0, true, 0, 0x100000, false},
                                           DriveCase{"2M", 1, false, 0x8000, 0x200000, true});
const auto kDriveCaseName = [](const auto& test) { return std::string(test.param.name); };
INSTANTIATE_TEST_SUITE_P(Drives, NineXUpdate, kDriveCases, kDriveCaseName);

// The arguments of each call to `function` that Wine's relay trace shows
// (the trace goes to the file that DRIVESMITH_WINE_OUTPUT names).
std::vector<std::string> RelayedCalls(const std::string& function) {
  char output[MAX_PATH] = {};
  GetEnvironmentVariableA("DRIVESMITH_WINE_OUTPUT", output, sizeof output);
  std::ifstream trace(WindowsPath(output));
  std::vector<std::string> calls;
  const std::string call = ":Call " + function + "(";
  for (std::string line; std::getline(trace, line);) {
    const std::size_t at = line.find(call), end = line.rfind(") ret=");
    if (at != std::string::npos && end != std::string::npos) {
      calls.push_back(line.substr(at + call.size(), end - at - call.size()));
    }
  }
  return calls;
}

// The NT family through Wine's own IOCTL_SCSI_PASS_THROUGH, which Wine turns
// into SG_IO on the device a drive letter leads to: d: and e: lead to
// /dev/sr0 and /dev/sr1, where the kernel's SCSI target hands the commands to
// the simulated drives kernel-1M and kernel-2M (tests/kernel/with-drives.sh
// serves them; their flash files are /tmp/kernel-1M.flash and so on). The
// update is driven by keyboard alone, as a user would. Wine traces the
// program's device and message box calls (it reads the list at a program's
// start).
class NtKernelUpdate : public ::testing::TestWithParam<DriveCase> {};

TEST_P(NtKernelUpdate, ThroughWinesPassThroughByKeyboard) {
  ASSERT_EQ(PlatformId(), kPlatformNt) << "this test needs a prefix that reports the NT family";
  const DriveCase& drive = GetParam();
  ScratchFolder scratch(std::string("kernel-") + drive.name);
  HKEY debug = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Debug", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &debug, nullptr),
            ERROR_SUCCESS);
  const char traced[] = "KERNEL32.CreateFileA;KERNEL32.DeviceIoControl;USER32.MessageBoxA";
  RegSetValueExA(debug, "RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE*>(traced),
                 sizeof traced);
  RegCloseKey(debug);
  DesktopProgram program(scratch.Program(), scratch.Folder(), {{"WINEDEBUG", "+relay"}});
  SetEnvironmentVariableA("WINEDEBUG", "-all");
  ASSERT_TRUE(program.Started());
  HWND dialog = program.WaitForWindow(kDialogCaption, kWindowWait);
  ASSERT_NE(dialog, nullptr) << "exit status " << std::hex << program.ExitCode();
  const std::vector<std::string> entries = ListEntries(dialog, Id(ControlId::DriveList));
  // Each drive twice: the letters run through all 256 byte values from 'd',
  // and Wine's device names ignore case (D: is index 224).
  ASSERT_EQ(entries.size(), 4U) << ::testing::PrintToString(entries);
  const char* labels[] = {"drive0 :  ", "drive1 :  ", "drive224 :  ", "drive225 :  "};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].rfind(labels[i], 0), 0U) << entries[i];
  }
  ExpectStartScreen(dialog);

  // The focus starts on Close; Tab goes to Next >, then to the list.
  ASSERT_TRUE(ActivateWindow(dialog));
  for (const char* key : {"Tab", "Tab"}) ASSERT_TRUE(TypeKeys(key));
  for (int entry = 0; entry < drive.listIndex; ++entry) ASSERT_TRUE(TypeKeys("Down"));
  for (const char* key : {"shift+Tab", "space"}) ASSERT_TRUE(TypeKeys(key));
  ASSERT_TRUE(WaitUntil([&] { return StateIs(dialog, kStateStart); }, kWindowWait));
  EXPECT_EQ(SelectedListIndex(dialog, Id(ControlId::DriveList)), drive.listIndex);
  WaitOutDoubleClick();
  ASSERT_TRUE(TypeKeys("space"));
  if (drive.asksToChangeLayout) {
    const ShownMessageBox question = program.WaitForMessageBox(kWindowWait, dialog);
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.text, "You'll change FROM 1M to 2M.\r\nContinue?");
    ASSERT_TRUE(TypeKeys("Return"));  // Yes
  }
  ASSERT_TRUE(WaitUntil(
      [&] {
        return StateIs(dialog, kStateCompleted) || StateIs(dialog, kStateFailed) ||
               !program.Running();
      },
      kUpdateWait));
  EXPECT_EQ(ControlText(dialog, Id(ControlId::StateArea)), kStateCompleted);
  EXPECT_EQ(ProgressPosition(dialog, Id(ControlId::ProgressBar)), kProgressEnd);
  SaveScreenshot(dialog, std::string("nt-kernel-") + drive.name + "-completed");
  // Six clicks on the logo reveal the check box once no update runs.
  for (int click = 0; click < kLogoClicksToReveal; ++click) {
    ClickStatic(dialog, Id(ControlId::Logo));
  }
  EXPECT_TRUE(
      WaitUntil([&] { return ControlVisible(dialog, Id(ControlId::UpdateLoader)); }, kWindowWait));
  EXPECT_TRUE(ActivateWindow(dialog));
  EXPECT_TRUE(TypeKeys("Escape"));
  EXPECT_TRUE(program.WaitForExit(kWindowWait));
  ExpectFlashHoldsImage(WindowsPath(std::string("/tmp/kernel-") + drive.name + ".flash"), drive);

  // Every device opened for reading and writing (GENERIC_READ |
  // GENERIC_WRITE), shared for both, existing only, without flags: the probe
  // of \\.\cdrom0 to 255, then drive letters from d: round to c:. Every
  // request (IOCTL_SCSI_PASS_THROUGH) has one buffer as input and output of
  // one length: the header's 80 bytes and the data (36 for INQUIRY, 3072 for
  // a block). The question is asked with an exclamation mark, Yes and No.
  const std::regex device(R"re([0-9a-f]+ "\\\\\\\\\.\\\\(cdrom\d+|[a-z]:)",(.*))re");
  std::set<std::string> opened;
  for (const std::string& call : RelayedCalls("KERNEL32.CreateFileA")) {
    std::smatch match;
    if (std::regex_match(call, match, device)) {
      opened.insert(match[1]);
      EXPECT_EQ(match[2], "c0000000,00000003,00000000,00000003,00000000,00000000") << call;
    }
  }
  for (const char* name : {"cdrom0", "cdrom255", "d:", "z:", "c:"}) {
    EXPECT_EQ(opened.count(name), 1U) << name;
  }
  const std::regex request(
      R"([0-9a-f]+,0004d004,([0-9a-f]+),([0-9a-f]{8}),\1,\2,[0-9a-f]+,00000000)");
  std::set<std::string> lengths;
  for (const std::string& call : RelayedCalls("KERNEL32.DeviceIoControl")) {
    std::smatch match;
    if (call.find(",0004d004,") == std::string::npos) continue;
    EXPECT_TRUE(std::regex_match(call, match, request)) << call;
    lengths.insert(match[2]);
  }
  EXPECT_EQ(lengths.count("00000074"), 1U);
  EXPECT_EQ(lengths.count("00000c50"), 1U);
  for (const std::string& call : RelayedCalls("user32.MessageBoxA")) {
    EXPECT_EQ(call.substr(call.rfind(',') + 1), "00000034") << call;
  }
}

INSTANTIATE_TEST_SUITE_P(KernelDrives, NtKernelUpdate, kDriveCases, kDriveCaseName);

// Start-up on a 9x machine whose ASPI layer is missing or unusable: one
// error box with the application's title, then the end, with no dialog.
struct AspiFailureCase {
  const char* name;
  const char* library;  // copied beside the program as WNASPI32.DLL; null: none
  // "n": the DLL beside the program, "b": Wine's own, "": none at all (with
  // "n" alone Wine falls back to the stub in its system folder).
  const char* overrideMode;
  const char* text;
};

class NineXAspiFailure : public ::testing::TestWithParam<AspiFailureCase> {};

TEST_P(NineXAspiFailure, ShowsItsBoxAndEnds) {
  ASSERT_EQ(PlatformId(), kPlatform9x) << "this test needs a prefix that reports Windows 98";
  const AspiFailureCase& failure = GetParam();
  ASSERT_TRUE(AspiOverrideIs(failure.overrideMode)) << "wnaspi32=" << failure.overrideMode;
  ScratchFolder scratch(std::string("aspi-") + failure.name, failure.library);
  DesktopProgram program(scratch.Program(), scratch.Folder(), {});
  ASSERT_TRUE(program.Started());

  const ShownMessageBox box = program.WaitForMessageBox(kWindowWait);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.caption, kAppTitle);
  EXPECT_EQ(box.text, failure.text);
  EXPECT_EQ(GetDlgItem(box.window, IDCANCEL), nullptr);
  SaveScreenshot(box.window, std::string("9x-aspi-") + failure.name);
  ClickButton(box.window, IDOK);

  bool dialogShown = false;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (HWND window : program.DialogWindows()) {
          dialogShown = dialogShown || TextOf(window) == kDialogCaption;
        }
        return !program.Running();
      },
      kWindowWait));
  EXPECT_FALSE(dialogShown);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, NineXAspiFailure,
    ::testing::Values(AspiFailureCase{"NoLibrary", nullptr, "", "Not found 'ASPI32.DLL'"},
                      AspiFailureCase{"NoSendCommand", kSimulatedAspiWithoutSend, "n",
                                      "ASPI Function Error 'ASPI32.DLL'"},
                      AspiFailureCase{"WinesOwnLayer", nullptr, "b", "Not found ASPI MANAGER"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace drivesmith::wintest
