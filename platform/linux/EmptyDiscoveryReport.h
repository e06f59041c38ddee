#pragma once
// The account the program prints when no drive answered: a user then learns
// which node was missing, locked or silent, and what to do. It belongs to the
// program with the window; static programs that link the SG_IO layer do not
// read the group database.

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/linux/SgAccessLog.h"

namespace drivesmith {

// The name of a group in the system's group database; empty when it has none.
std::string GroupName(gid_t group);

// The account of a discovery that found no drive: one line per node that
// exists, then one line for those that do not. Ends with a newline. A node's
// group is named through `groupName`.
std::string DescribeEmptyDiscovery(const SgAccessLog& log,
                                   const std::function<std::string(gid_t)>& groupName = GroupName);

}  // namespace drivesmith
