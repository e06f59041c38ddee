#include "programs/drivesmith-demo/TraceWriter.h"

#include <algorithm>
#include <tuple>

#include "simulator/CommandTrace.h"

namespace drivesmith::demo {

TraceWriter::TraceWriter(const std::string& path) : out_(std::fopen(path.c_str(), "w")) {}

void TraceWriter::Watch(const sim::SimulatedDrive& drive) {
  drives_.push_back(Watched{&drive, drive.Trace().size()});
}

void TraceWriter::Flush() {
  struct Pending {
    std::chrono::milliseconds at;
    std::size_t drive;
    std::size_t index;
    const sim::TraceEntry* entry;
  };
  std::vector<Pending> pending;
  for (std::size_t d = 0; d < drives_.size(); ++d) {
    const auto& trace = drives_[d].drive->Trace();
    for (std::size_t i = drives_[d].written; i < trace.size(); ++i) {
      pending.push_back(Pending{trace[i].at, d, i, &trace[i]});
    }
    drives_[d].written = trace.size();
  }
  std::sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
    return std::tie(a.at, a.drive, a.index) < std::tie(b.at, b.drive, b.index);
  });
  for (const Pending& p : pending) {
    const std::string line = sim::FormatTraceLine(*p.entry) + '\n';
    std::fputs(line.c_str(), out_.get());
  }
  std::fflush(out_.get());
}

}  // namespace drivesmith::demo
