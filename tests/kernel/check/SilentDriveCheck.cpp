#include <chrono>
#include <cstring>
#include <iostream>
#include <string>

#include "tests/kernel/check/KernelChecks.h"
#include "tests/kernel/check/KernelRig.h"
#include "tests/kernel/check/RawSgIo.h"

namespace drivesmith::kernelcheck {

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

int CheckSilentDrive(const CheckArguments& arguments) {
  const int cdrom = arguments.Number("cdrom", 0);
  const auto bound = std::chrono::seconds(arguments.Number("within", 60));
  Findings findings;

  // What the kernel hands back for a command the device never answers,
  // asked with the adapter's own 2-second time-out.
  const std::uint8_t testUnitReady[6] = {};
  auto start = Clock::now();
  {
    OpenNode node(GenericNodeOf(cdrom));
    const RawOutcome raw = SendRaw(node.Descriptor(), testUnitReady, RawDirection::None, {});
    std::cout << "  raw SG_IO: ioctl " << raw.ioctlResult
              << (raw.ioctlResult != 0 ? std::string(" (") + std::strerror(raw.error) + ")" : "")
              << ", status " << int{raw.status} << ", host status " << raw.hostStatus
              << ", driver status " << raw.driverStatus << ", after " << MillisecondsSince(start)
              << " ms\n";
    findings.Expect(raw.ioctlResult != 0 || raw.hostStatus != 0 || raw.status != 0,
                    "the kernel reports the unanswered command as failed, not GOOD");
  }
  start = Clock::now();
  KernelRig rig(cdrom, false);
  const int result = rig.commands.TestUnitReady();
  const auto elapsed = MillisecondsSince(start);
  std::cout << "  adapter: result " << result << ", ASC " << int{rig.request->asc} << ", after "
            << elapsed << " ms\n";
  findings.Expect(result == 0, "the adapter reports a failure");
  findings.Expect(std::chrono::milliseconds(elapsed) <= bound,
                  "within " + std::to_string(bound.count()) + " s");
  return findings.ExitStatus();
}

}  // namespace drivesmith::kernelcheck
