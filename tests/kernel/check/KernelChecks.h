#pragma once
// The checks that run in the kernel test guest, one per command line verb.
// Each prints what it saw and returns 0 when it holds, 1 when it does not.

#include <iostream>
#include <string>

#include "tests/kernel/check/CheckArguments.h"

namespace drivesmith::kernelcheck {

// What a check finds: each finding printed, those that do not hold counted.
struct Findings {
  int failures = 0;
  void Expect(bool holds, const std::string& what) {
    std::cout << (holds ? "  ok    " : "  WRONG ") << what << "\n";
    failures += holds ? 0 : 1;
  }
  int ExitStatus() const { return failures == 0 ? 0 : 1; }
};

// The nine drive commands through the adapter, answer by answer against the
// same commands on an in-process simulated drive of the same model.
//   --cdrom N --via sg|sr --trace FILE [--rounds-before K]
int CheckCommands(const CheckArguments& arguments);

// Transport selection and discovery: the entries, their labels, and each
// entry read back addressing its own drive.
//   --count N --revisions R1,R2,...
int CheckDiscovery(const CheckArguments& arguments);

// A whole update through the headless runner on the real clock.
//   --size 1|2 --expect STATE [--select N] [--flash FILE] [--entry-contains TEXT]
//   [--within SECONDS] [--fallback-trace FILE]
int CheckUpdate(const CheckArguments& arguments);

// The block layer's command filter, as a user without CAP_SYS_RAWIO.
//   --cdrom N --uid UID
int CheckCommandFilter(const CheckArguments& arguments);

// Sense data in descriptor format, as the kernel hands it on and as the
// adapter reads it.   --cdrom N
int CheckDescriptorSense(const CheckArguments& arguments);

// A drive that no longer answers: what the kernel gives back for a command
// with the adapter's 2-second time-out, and what the adapter makes of it.
//   --cdrom N [--within SECONDS]
int CheckSilentDrive(const CheckArguments& arguments);

// Not a check: prints the adapter's cost per command against a raw SG_IO
// loop (benchmarks/KernelAdapterBenchmark.cpp).   --cdrom N --count N
int RunAdapterBenchmark(const CheckArguments& arguments);

}  // namespace drivesmith::kernelcheck
