#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/LinuxPlatformFamily.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#include "tests/kernel/check/KernelChecks.h"
#include "transport/TransportSelection.h"
#include "update/DriveDiscovery.h"

namespace drivesmith::kernelcheck {

namespace {

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  return parts;
}

}  // namespace

int CheckDiscovery(const CheckArguments& arguments) {
  const auto expectedCount = static_cast<std::size_t>(arguments.Number("count", 1));
  const std::vector<std::string> revisions = SplitAtCommas(arguments.Text("revisions"));
  Findings findings;

  LinuxPlatformFamily platform([](const std::string& text, const std::string&, MessageBoxKind) {
    std::cout << "  message box: " << text << "\n";
  });
  SgIoPassThroughLayer layer;
  const TransportSelection selection = SelectTransport(platform, layer);
  findings.Expect(selection.Ok() && selection.mode == TransportMode::PassThroughCdrom,
                  "start-up selects the \\\\.\\cdrom%d pass-through");
  if (!selection.Ok()) return 1;

  ScsiTransport transport(selection.mode, nullptr, &layer);
  ScsiRequest request{};
  DriveCommands commands(request, transport);
  std::vector<std::string> entries;
  FillDriveList(commands, selection.mode,
                [&](const std::string& entry) { entries.push_back(entry); });
  for (const std::string& entry : entries) std::cout << "  entry \"" << entry << "\"\n";
  findings.Expect(entries.size() == expectedCount,
                  std::to_string(entries.size()) + " entries listed");

  const std::regex label("^cdrom[0-9]+ :  ");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    findings.Expect(std::regex_search(entry, label),
                    "entry " + std::to_string(i) + " has a cdrom label");
    if (i < revisions.size()) {
      findings.Expect(entry.size() >= 4 && entry.substr(entry.size() - 4) == revisions[i],
                      "entry " + std::to_string(i) + " is the drive of revision " + revisions[i]);
    }
    // Read back, the entry must address the drive it names.
    ScsiRequest readBack{};
    ParseDriveEntry(entry, selection.mode, readBack);
    DriveCommands again(readBack, transport);
    const bool answered = again.Inquiry() == 1;
    const std::string identification = DriveIdentification(readBack.Data());
    const std::string named = entry.substr(entry.find(":  ") + 3);
    findings.Expect(answered && identification == named,
                    "entry " + std::to_string(i) + " read back reaches \"" + identification + "\"");
  }
  return findings.ExitStatus();
}

}  // namespace drivesmith::kernelcheck
