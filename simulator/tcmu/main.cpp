// drivesmith-tcmu-drive: a simulated optical drive as a SCSI device of the
// running kernel, through the user-space target (target_core_user) and the
// UIO node the kernel made for its backstore. Runs until SIGTERM or SIGINT,
// or until the device goes away; then writes the flash file a last time.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "simulator/SimulatedDrive.h"
#include "simulator/tcmu/DriveService.h"
#include "simulator/tcmu/HandlerOptions.h"
#include "simulator/tcmu/TcmuRing.h"
#include "simulator/tcmu/UioDevice.h"
#include "update/Clock.h"

using namespace drivesmith;

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitDevice = 1;

// A descriptor that becomes readable when SIGTERM or SIGINT arrives; both
// are blocked for the process so they wait there instead of ending it.
int StopSignalDescriptor() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return -1;
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
  tcmu::HandlerOptions options;
  std::string error;
  if (!tcmu::ParseHandlerOptions({argv + 1, argv + argc}, options, error)) {
    std::cerr << "drivesmith-tcmu-drive: " << error << "\n" << tcmu::HandlerUsage();
    return kExitUsage;
  }
  if (options.help) {
    std::cout << tcmu::HandlerUsage();
    return 0;
  }

  const int stopSignals = StopSignalDescriptor();
  tcmu::UioDevice device(options.uioNode);
  if (!device.Error().empty() || stopSignals < 0) {
    std::cerr << "drivesmith-tcmu-drive: " << (device.Error().empty() ? "signals" : device.Error())
              << "\n";
    return kExitDevice;
  }
  tcmu::TcmuRing ring(device.Shared());
  if (!ring.Valid()) {
    std::cerr << "drivesmith-tcmu-drive: " << options.uioNode << " has no TCMU mailbox\n";
    return kExitDevice;
  }

  SteadyClock clock;
  sim::SimulatedDrive drive(options.model, clock);
  tcmu::DriveService service(drive, options.deviceFaults, options.traceFile, options.flashFile);
  if (!service.Ok()) {
    std::cerr << "drivesmith-tcmu-drive: cannot write " << options.traceFile << "\n";
    return kExitDevice;
  }
  service.SaveFlash();
  std::cout << "drivesmith-tcmu-drive: serving " << options.uioNode << std::endl;

  const auto serve = [&](const tcmu::RingCommand& command, tcmu::RingAnswer& answer) {
    return service.Serve(command, answer);
  };
  bool running = true;
  while (running) {
    if (ring.AnswerPending(serve) > 0 && !device.Notify()) break;
    pollfd waits[2] = {{device.Descriptor(), POLLIN, 0}, {stopSignals, POLLIN, 0}};
    if (::poll(waits, 2, -1) < 0) continue;
    if ((waits[1].revents & POLLIN) != 0) running = false;
    if ((waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) running = false;
    if ((waits[0].revents & POLLIN) != 0 && !device.TakeEvents()) running = false;
  }
  const bool saved = service.SaveFlash();
  ::close(stopSignals);
  std::cout << "drivesmith-tcmu-drive: " << options.uioNode << " done" << std::endl;
  return saved ? 0 : kExitDevice;
}
