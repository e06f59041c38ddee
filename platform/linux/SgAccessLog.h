#pragma once
// What the SG_IO pass-through layer met at each device node it tried to open
// (EmptyDiscoveryReport.h words it for the user).

#include <sys/types.h>

#include <filesystem>
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

}  // namespace drivesmith
