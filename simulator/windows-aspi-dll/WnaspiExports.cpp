// The two entry points of "WNASPI32.DLL" as ASPI for Win32 publishes them,
// exported under their plain names (see the .def files). The manager is made
// at the first call, from the environment.

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "simulator/windows-aspi-dll/SimAspiManager.h"
#include "simulator/windows-aspi-dll/SimAspiSettings.h"

namespace {

using drivesmith::sim::SimAspiManager;

std::optional<std::string> ReadEnvironment(const char* name) {
  // GetEnvironmentVariableA sees changes the program makes while it runs,
  // which the C library's copy of the environment does not.
  const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::vector<char> value(needed);
  const DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
  if (length == 0 || length >= needed) return std::string();
  return std::string(value.data(), length);
}

// The environment, where DRIVESMITH_SIM_COMPLETION_FILE, when set, names a
// file whose text stands for DRIVESMITH_SIM_COMPLETION: a harness outside
// the process can change the mode while the program runs.
std::optional<std::string> ReadCompletionEnvironment(const char* name) {
  std::string mode;
  if (const auto file = ReadEnvironment("DRIVESMITH_SIM_COMPLETION_FILE")) {
    if (std::ifstream(*file) >> mode) return mode;
  }
  return ReadEnvironment(name);
}

// Null when the environment is unfit; the reason goes to the standard error.
SimAspiManager* Manager() {
  static SimAspiManager* const manager = []() -> SimAspiManager* {
    std::string error;
    const auto settings = drivesmith::sim::ReadSimAspiSettings(ReadEnvironment, error);
    if (!settings) {
      std::fprintf(stderr, "simulated WNASPI32.DLL: %s\n", error.c_str());
      return nullptr;
    }
    return new SimAspiManager(
        *settings, [] { return drivesmith::sim::ReadSimCompletion(ReadCompletionEnvironment); });
  }();
  return manager;
}

}  // namespace

extern "C" {

// Bits 0-7: host adapters; bits 8-15: status (1 = ok; 0xE8 = no manager).
DWORD __cdecl GetASPI32SupportInfo() {
  constexpr DWORD kNoManager = 0xE800;
  SimAspiManager* manager = Manager();
  return manager != nullptr ? manager->SupportInfo() : kNoManager;
}

#ifndef DRIVESMITH_SIM_ASPI_WITHOUT_SEND
DWORD __cdecl SendASPI32Command(void* srb) {
  constexpr DWORD kFailedInit = 0xE4;  // SS_FAILED_INIT
  SimAspiManager* manager = Manager();
  if (manager == nullptr) return kFailedInit;
  return manager->Send(static_cast<drivesmith::SrbExecScsiCmd*>(srb));
}
#endif
}
