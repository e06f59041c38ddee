// The account of an empty drive list. It names the group of a node the user
// may not open; the group database is read here, in the program with the
// window, and not in the SG_IO layer, which static programs link too.

#include <grp.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "platform/linux/EmptyDiscoveryReport.h"

namespace drivesmith {

namespace {

constexpr char kHeading[] = "drivesmith: no drive answered. What was tried:\n";
constexpr char kIndent[] = "  ";

std::string ErrorText(int error) { return std::strerror(error); }

std::string Reason(const SgNodeAttempt& attempt,
                   const std::function<std::string(gid_t)>& groupName) {
  switch (attempt.outcome) {
    case SgNodeOutcome::Opened:
      return "opened, but no drive answered INQUIRY";
    case SgNodeOutcome::Missing:
      return "no such node";
    case SgNodeOutcome::PermissionDenied: {
      const std::string group = attempt.group ? groupName(*attempt.group) : std::string();
      return group.empty() || group == "root" ? "permission denied"
                                              : "permission denied (join group " + group + ")";
    }
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

std::string GroupName(gid_t id) {
  group entry{};
  struct group* found = nullptr;
  std::vector<char> room(4096);
  while (::getgrgid_r(id, &entry, room.data(), room.size(), &found) == ERANGE) {
    room.resize(room.size() * 2);
  }
  return found == nullptr ? std::string() : std::string(found->gr_name);
}

std::string DescribeEmptyDiscovery(const SgAccessLog& log,
                                   const std::function<std::string(gid_t)>& groupName) {
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
      if (attempt.outcome != SgNodeOutcome::Opened) text += "; " + Reason(attempt, groupName);
    } else {
      text += Reason(attempt, groupName);
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
