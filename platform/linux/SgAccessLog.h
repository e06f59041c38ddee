#pragma once
// What the SG_IO pass-through layer met at each device node it tried to open,
// and the account of it that the program prints when no drive answered: a
// user then learns which node was missing, locked or silent, and what to do.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drivesmith {

enum class SgNodeOutcome {
  Opened,            // opened and takes SG_IO; the drive gave no usable answer
  Missing,           // no such node
  PermissionDenied,  // the user may not open it for reading and writing
  OpenFailed,        // any other refusal of the open
  NoSgIo,            // opened, but it does not take SG_IO requests
};

struct SgNodeAttempt {
  std::filesystem::path node;
  SgNodeOutcome outcome = SgNodeOutcome::Missing;
  int error = 0;               // errno of the failed open or ioctl
  std::optional<gid_t> group;  // the node's group, when permission was denied
  bool noGenericNode = false;  // a /dev/srN whose drive has no /dev/sgN
};

class SgAccessLog {
 public:
  // Records the latest attempt at `attempt.node`; a node keeps the place of
  // its first attempt.
  void Record(SgNodeAttempt attempt);

  const std::vector<SgNodeAttempt>& Attempts() const { return attempts_; }

 private:
  std::vector<SgNodeAttempt> attempts_;
};

// The name of a group in the system's group database; empty when it has none.
std::string GroupName(gid_t group);

// The account of a discovery that found no drive: one line per node that
// exists, then one line for those that do not. Ends with a newline. A node's
// group is named through `groupName`.
std::string DescribeEmptyDiscovery(const SgAccessLog& log,
                                   const std::function<std::string(gid_t)>& groupName = GroupName);

}  // namespace drivesmith
