// What the kernel itself hands back, read with raw SG_IO beside the adapter:
// the block layer's command filter and descriptor-format sense.

#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>

#include "drive/SenseCodes.h"
#include "tests/kernel/check/KernelChecks.h"
#include "tests/kernel/check/RawSgIo.h"

namespace drivesmith::kernelcheck {

namespace {

constexpr int kCapSysRawIo = 17;

// The effective capability set, from /proc/self/status.
unsigned long long EffectiveCapabilities() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("CapEff:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return ~0ull;
}

bool DropToUser(unsigned uid) {
  return ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
}

}  // namespace

int CheckDescriptorSense(const CheckArguments& arguments) {
  const int cdrom = arguments.Number("cdrom", 0);
  Findings findings;

  const std::uint8_t testUnitReady[6] = {};
  OpenNode node(GenericNodeOf(cdrom));
  const RawOutcome raw = SendRaw(node.Descriptor(), testUnitReady, RawDirection::None, {});
  std::cout << "  sense from the kernel:" << std::hex;
  for (const std::uint8_t b : raw.sense)
    std::cout << ' ' << std::setw(2) << std::setfill('0') << int{b};
  std::cout << std::dec << "\n";
  findings.Expect(
      raw.status == 2 && raw.sense.size() >= 4 && raw.sense[0] == 0x72 && raw.sense[2] == 0x3A,
      "the kernel hands on CHECK CONDITION with descriptor-format sense");

  KernelRig rig(cdrom, false);
  const int result = rig.commands.TestUnitReady();
  findings.Expect(
      result == 0 && rig.request->asc == sense::kMediumNotPresent && rig.request->ascq == 0,
      "the adapter reads ASC 3A, ASCQ 00 from it");
  return findings.ExitStatus();
}

int CheckCommandFilter(const CheckArguments& arguments) {
  const int cdrom = arguments.Number("cdrom", 0);
  const auto uid = static_cast<unsigned>(arguments.Number("uid", 1000));
  Findings findings;

  if (!DropToUser(uid)) {
    std::cout << "  cannot become uid " << uid << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  const unsigned long long capabilities = EffectiveCapabilities();
  findings.Expect(::getuid() == uid && (capabilities & (1ull << kCapSysRawIo)) == 0,
                  "running as uid " + std::to_string(::getuid()) + " without CAP_SYS_RAWIO");

  const std::string blockNode = "/dev/sr" + std::to_string(cdrom);
  const std::string genericNode = GenericNodeOf(cdrom);
  const std::uint8_t testUnitReady[6] = {};
  const std::uint8_t changeToUpMode[10] = {0xE4, 0, 0, 0, 0, 0, 0, 0, 0, 0x40};
  {
    OpenNode node(blockNode);
    findings.Expect(node.Ok(), blockNode + " opens for reading and writing");
    const RawOutcome listed = SendRaw(node.Descriptor(), testUnitReady, RawDirection::None, {});
    findings.Expect(listed.ioctlResult == 0, "TEST UNIT READY through " + blockNode +
                                                 " passes the filter (status " +
                                                 std::to_string(listed.status) + ")");
    const RawOutcome vendor = SendRaw(node.Descriptor(), changeToUpMode, RawDirection::None, {});
    findings.Expect(
        vendor.ioctlResult != 0 && vendor.error == EPERM,
        "a vendor command through " + blockNode + " is refused by the kernel (" +
            (vendor.ioctlResult == 0 ? std::string("passed") : std::strerror(vendor.error)) + ")");
  }
  {
    KernelRig rig(cdrom, true);
    findings.Expect(
        rig.commands.ChangeToUpMode(1) == 0,
        "the adapter on " + blockNode + " reports the refused vendor command as a failure");
  }
  {
    OpenNode node(genericNode);
    const RawOutcome vendor = SendRaw(node.Descriptor(), changeToUpMode, RawDirection::None, {});
    findings.Expect(node.Ok() && vendor.ioctlResult == 0 && vendor.status == 0,
                    "the vendor command through " + genericNode + " reaches the drive");
    KernelRig rig(cdrom, false);
    findings.Expect(rig.commands.ChangeToUpMode(1) == 1,
                    "the adapter sends the vendor command through " + genericNode);
  }
  return findings.ExitStatus();
}

}  // namespace drivesmith::kernelcheck
