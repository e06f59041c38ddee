#include "platform/linux/SgAccessLog.h"

#include <algorithm>

namespace drivesmith {

void SgAccessLog::Record(SgNodeAttempt attempt) {
  const auto known = std::find_if(attempts_.begin(), attempts_.end(),
                                  [&](const SgNodeAttempt& a) { return a.node == attempt.node; });
  if (known == attempts_.end()) {
    attempts_.push_back(std::move(attempt));
  } else {
    *known = std::move(attempt);
  }
}

}  // namespace drivesmith
