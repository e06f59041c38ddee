#include "tests/windows/e2e/DesktopProgram.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/windows/e2e/TestPaths.h"

namespace drivesmith::wintest {

namespace {

namespace fs = std::filesystem;

constexpr auto kPollInterval = 50ms;
constexpr char kDialogClass[] = "#32770";

// Wine keeps the X window of a top-level window in this property.
constexpr char kX11WindowProperty[] = "__wine_x11_whole_window";
constexpr auto kUnixProgramTimeout = 20s;
// Time for the X server to show what the program has drawn.
constexpr auto kPaintSettle = 300ms;

std::uintptr_t XWindowOf(HWND window) {
  return reinterpret_cast<std::uintptr_t>(GetPropA(window, kX11WindowProperty));
}

// Runs a Unix program through RunAndMark.sh and returns whether it ended
// with status 0. Wine starts a Unix program given by its Unix path; it hands
// back no usable handles for it (what it leaves in the process information
// must not be closed).
bool RunUnixProgram(const std::vector<std::string>& arguments) {
  static int runs = 0;
  const std::string statusFile = std::string(kScratchFolder) + "/unix-run-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(++runs);
  std::error_code ignored;
  fs::create_directories(WindowsPath(kScratchFolder), ignored);
  fs::remove(WindowsPath(statusFile), ignored);
  std::string commandLine = "/bin/sh \"" + std::string(kRunAndMark) + "\" \"" + statusFile + "\"";
  for (const std::string& argument : arguments) {
    commandLine += " \"" + argument + "\"";
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  if (!WaitUntil([&] { return fs::exists(WindowsPath(statusFile), ignored); },
                 kUnixProgramTimeout)) {
    return false;
  }
  int status = -1;
  std::ifstream(WindowsPath(statusFile)) >> status;
  fs::remove(WindowsPath(statusFile), ignored);
  return status == 0;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && ClassOf(window) == kDialogClass) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

DesktopProgram::DesktopProgram(const std::string& program, const std::string& folder,
                               const std::map<std::string, std::string>& environment) {
  // The program inherits the harness's environment, with these set.
  for (const auto& [name, value] : environment) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     folder.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
  }
}

DesktopProgram::~DesktopProgram() {
  if (process_ != nullptr) {
    if (Running()) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, INFINITE);
    }
    CloseHandle(process_);
  }
}

bool DesktopProgram::WaitForExit(std::chrono::milliseconds timeout) {
  return process_ != nullptr &&
         WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool DesktopProgram::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD DesktopProgram::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_ != nullptr) {
    GetExitCodeProcess(process_, &code);
  }
  return code;
}

std::vector<HWND> DesktopProgram::DialogWindows() const {
  WindowSearch search{processId_, {}};
  EnumWindows(&CollectDialogs, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND DesktopProgram::WaitForWindow(const std::string& caption,
                                   std::chrono::milliseconds timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : DialogWindows()) {
          if (TextOf(window) == caption) {
            found = window;
          }
        }
        return found != nullptr || !Running();
      },
      timeout);
  return found;
}

ShownMessageBox DesktopProgram::WaitForMessageBox(std::chrono::milliseconds timeout,
                                                  HWND except) const {
  ShownMessageBox box;
  WaitUntil(
      [&] {
        for (HWND window : DialogWindows()) {
          // A message box's text is the static control 0xFFFF.
          if (window != except && GetDlgItem(window, 0xFFFF) != nullptr) {
            box.window = window;
          }
        }
        return box.window != nullptr || !Running();
      },
      timeout);
  if (box.window != nullptr) {
    box.caption = TextOf(box.window);
    box.text = TextOf(GetDlgItem(box.window, 0xFFFF));
  }
  return box;
}

std::string TextOf(HWND window) {
  if (window == nullptr) {
    return {};
  }
  char text[4096] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
    return "<no answer>";
  }
  return std::string(text, std::min<std::size_t>(copied, sizeof text - 1));
}

std::string ControlText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

bool ControlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

bool ControlVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != 0; }

void ClickButton(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void ClickStatic(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ListEntries(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> entries;
  DWORD_PTR count = 0;
  SendMessageTimeoutA(list, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &count);
  for (DWORD_PTR i = 0; i < count && count != static_cast<DWORD_PTR>(CB_ERR); ++i) {
    // Wine passes a list entry to another process in UTF-16 only; the
    // entries are plain ASCII.
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kAnswerTimeoutMs, &copied);
    std::string entry;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
      entry.push_back(static_cast<char>(*c));
    }
    entries.push_back(entry);
  }
  return entries;
}

int SelectedListIndex(HWND dialog, int id) {
  DWORD_PTR selected = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG,
                      kAnswerTimeoutMs, &selected);
  return static_cast<int>(static_cast<LRESULT>(selected));
}

void SelectListIndex(HWND dialog, int id, int index) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0,
                      SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored);
}

int ProgressPosition(HWND dialog, int id) {
  DWORD_PTR position = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                      &position);
  return static_cast<int>(position);
}

bool Settle(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored) !=
         0;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

void SaveScreenshot(HWND window, const std::string& name) {
  std::error_code ignored;
  fs::create_directories(WindowsPath(kArtifactsFolder), ignored);
  Settle(window);
  std::this_thread::sleep_for(kPaintSettle);
  RunUnixProgram({kXwdProgram, "-silent", "-id", std::to_string(XWindowOf(window)), "-out",
                  std::string(kArtifactsFolder) + "/" + name + ".xwd"});
}

bool ActivateWindow(HWND window) {
  const std::uintptr_t xWindow = XWindowOf(window);
  return xWindow != 0 &&
         RunUnixProgram({kXdotoolProgram, "windowactivate", "--sync", std::to_string(xWindow)});
}

bool DoubleClick(HWND window) {
  RECT box;
  return GetWindowRect(window, &box) &&
         RunUnixProgram(
             {kXdotoolProgram, "mousemove", "--sync", std::to_string((box.left + box.right) / 2),
              std::to_string((box.top + box.bottom) / 2), "click", "--repeat", "2", "1"});
}

bool TypeKeys(const std::string& keys) {
  return RunUnixProgram({kXdotoolProgram, "key", "--clearmodifiers", keys});
}

}  // namespace drivesmith::wintest
