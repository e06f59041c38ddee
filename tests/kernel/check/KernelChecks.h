#pragma once
// The checks that run in the kernel test guest, one per command line verb.
// Each prints what it saw and returns 0 when it holds, 1 when it does not.

#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveCommands.h"
#include "transport/ScsiTransport.h"
#ifndef _WIN32
#include "platform/linux/SgIoPassThroughLayer.h"
#endif

namespace drivesmith::kernelcheck {

// The command line of a check: "--name value" pairs after the check's name,
// read by name with a default.
class CheckArguments {
 public:
  // False (with `error`) when an option has no value.
  bool Parse(const std::vector<std::string>& arguments, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
      if (arguments[i].rfind("--", 0) != 0 || i + 1 >= arguments.size()) {
        error = "expected --name value at " + arguments[i];
        return false;
      }
      values_[arguments[i].substr(2)] = arguments[i + 1];
    }
    return true;
  }

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::string Text(const std::string& name, const std::string& otherwise = {}) const {
    return Has(name) ? values_.at(name) : otherwise;
  }
  int Number(const std::string& name, int otherwise) const {
    return Has(name) ? std::atoi(values_.at(name).c_str()) : otherwise;
  }

 private:
  std::map<std::string, std::string> values_;
};

// What a check finds: each finding printed, those that do not hold counted.
// The last line says whether the check held: under Wine, the program's exit
// status does not always reach the script that ran it.
struct Findings {
  int failures = 0;
  void Expect(bool holds, const std::string& what) {
    std::cout << (holds ? "  ok    " : "  WRONG ") << what << "\n";
    failures += holds ? 0 : 1;
  }
  int ExitStatus() const {
    std::cout << (failures == 0 ? "check holds" : "check fails") << std::endl;
    return failures == 0 ? 0 : 1;
  }
};

// A whole update through the headless runner on the real clock, through the
// platform's pass-through: on Linux the generic nodes or (--via sr, as root)
// the block nodes, on Windows the drive letters.
//   --size 1|2 --expect STATE [--via sg|sr] [--select N] [--flash FILE]
//   [--entry-contains TEXT] [--within SECONDS] [--fallback-trace FILE]
int CheckUpdate(const CheckArguments& arguments);

#ifndef _WIN32
// The program's own Linux transport on one drive: the SG_IO adapter behind
// the real ScsiTransport, with the request record and the drive commands on
// top, addressed as cdrom device N. With `throughBlockNode` the adapter is
// given a sysfs without generic nodes, so it falls back to /dev/srN.
inline constexpr char kNoSysfs[] = "/nonexistent-sysfs";

struct KernelRig {
  KernelRig(int cdromIndex, bool throughBlockNode)
      : layer(throughBlockNode ? kNoSysfs : "/sys", "/dev") {
    request->driveIndex = static_cast<std::uint8_t>(cdromIndex);
  }

  SgIoPassThroughLayer layer;
  ScsiTransport transport{TransportMode::PassThroughCdrom, nullptr, &layer};
  std::unique_ptr<ScsiRequest> request = std::make_unique<ScsiRequest>();
  DriveCommands commands{*request, transport};
};

// The block layer's command filter, as a user without CAP_SYS_RAWIO.
//   --cdrom N --uid UID
int CheckCommandFilter(const CheckArguments& arguments);

// Sense data in descriptor format, as the kernel hands it on and as the
// adapter reads it.   --cdrom N
int CheckDescriptorSense(const CheckArguments& arguments);

// Not a check: prints the adapter's cost per command against a raw SG_IO
// loop (benchmarks/KernelAdapterBenchmark.cpp).   --cdrom N --count N
int RunAdapterBenchmark(const CheckArguments& arguments);
#endif

}  // namespace drivesmith::kernelcheck
