#include <iomanip>
#include <iostream>
#include <string>

#include "drive/SenseCodes.h"
#include "tests/kernel/check/KernelChecks.h"
#include "tests/kernel/check/KernelRig.h"
#include "tests/kernel/check/RawSgIo.h"

namespace drivesmith::kernelcheck {

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

}  // namespace drivesmith::kernelcheck
