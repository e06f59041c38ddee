#include "platform/linux/SgAccessLog.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace drivesmith {

namespace {

constexpr char kHeading[] = "drivesmith: no drive answered. What was tried:\n";
constexpr char kIndent[] = "  ";

std::string ErrorText(int error) { return std::strerror(error); }

std::string Reason(const SgNodeAttempt& attempt) {
  switch (attempt.outcome) {
    case SgNodeOutcome::Opened:
      return "opened, but no drive answered INQUIRY";
    case SgNodeOutcome::Missing:
      return "no such node";
    case SgNodeOutcome::PermissionDenied:
      return attempt.group.empty() || attempt.group == "root"
                 ? "permission denied"
                 : "permission denied (join group " + attempt.group + ")";
    case SgNodeOutcome::OpenFailed:
      return "cannot open (" + ErrorText(attempt.error) + ")";
    case SgNodeOutcome::NoSgIo:
      return "does not take SCSI commands (SG_IO)";
  }
  return {};
}

// "/dev/sr" of "/dev/sr12": the node's name without its number.
std::string Family(const std::filesystem::path& node) {
  std::string text = node.string();
  while (!text.empty() && text.back() >= '0' && text.back() <= '9') text.pop_back();
  return text + "N";
}

}  // namespace

void SgAccessLog::Record(SgNodeAttempt attempt) {
  const auto known = std::find_if(attempts_.begin(), attempts_.end(),
                                  [&](const SgNodeAttempt& a) { return a.node == attempt.node; });
  if (known == attempts_.end()) {
    attempts_.push_back(std::move(attempt));
  } else {
    *known = std::move(attempt);
  }
}

std::string DescribeEmptyDiscovery(const SgAccessLog& log) {
  std::string text = kHeading;
  std::set<std::string> missingFamilies;
  std::size_t missing = 0;
  for (const SgNodeAttempt& attempt : log.Attempts()) {
    if (attempt.outcome == SgNodeOutcome::Missing && !attempt.noGenericNode) {
      ++missing;
      missingFamilies.insert(Family(attempt.node));
      continue;
    }
    text += kIndent + attempt.node.string() + ": ";
    if (attempt.noGenericNode) {
      text += "no generic node (load the sg module)";
      if (attempt.outcome != SgNodeOutcome::Opened) text += "; " + Reason(attempt);
    } else {
      text += Reason(attempt);
    }
    text += '\n';
  }
  if (missing > 0) {
    std::string families;
    for (const std::string& family : missingFamilies) {
      families += (families.empty() ? "" : ", ") + family;
    }
    text += kIndent + std::to_string(missing) + (missing == 1 ? " node" : " nodes") + " (" +
            families + ") " + (missing == 1 ? "does" : "do") + " not exist";
    text += missing == log.Attempts().size()
                ? ": no optical drive is attached, or its driver (sr_mod, sg) is not loaded\n"
                : "\n";
  }
  if (log.Attempts().empty()) text += kIndent + std::string("no device node was tried\n");
  return text;
}

}  // namespace drivesmith
