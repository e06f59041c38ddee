// drivesmith-kernel-check: the checks of the kernel test guest, run against
// simulated drives that the kernel sees as SCSI CD/DVD devices. Built for
// Windows it has the update check alone, run under Wine.
//   drivesmith-kernel-check VERB --option value ...

#include <iostream>
#include <string>
#include <vector>

#include "tests/kernel/check/KernelChecks.h"

using namespace drivesmith::kernelcheck;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: drivesmith-kernel-check update|filter|sense|bench "
                 "--option value ...\n";
    return 2;
  }
  const std::string verb = argv[1];
  CheckArguments arguments;
  std::string error;
  if (!arguments.Parse({argv + 2, argv + argc}, error)) {
    std::cerr << "drivesmith-kernel-check: " << error << "\n";
    return 2;
  }
  if (verb == "update") return CheckUpdate(arguments);
#ifndef _WIN32
  if (verb == "filter") return CheckCommandFilter(arguments);
  if (verb == "sense") return CheckDescriptorSense(arguments);
  if (verb == "bench") return RunAdapterBenchmark(arguments);
#endif
  std::cerr << "drivesmith-kernel-check: unknown check " << verb << "\n";
  return 2;
}
