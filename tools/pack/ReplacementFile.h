#pragma once
// The new contents of an output file, written beside it and put in its place
// in one step once complete, so that the output is either the old file or the
// whole new one, also after a crash, a power cut or a killed run.
//
// Where the file system has unnamed files (O_TMPFILE) the contents get a name
// only when they are complete. Elsewhere they are written to a named
// temporary ".drivesmith-pack-XXXXXX", locked while it is written; a run that
// is killed leaves such a file behind, and the next run that writes into the
// same folder removes the ones no live run holds.
//
// On Windows the contents are written to such a named temporary, flushed,
// closed and moved over the output with write-through. A killed run's
// temporary stays there, as Windows has no lock that outlives the closing
// of the file before the move; and there are no permission bits to give.

#include <sys/types.h>

#include <string>

#include "tools/pack/FileDescriptor.h"
#include "tools/pack/TemporaryName.h"

namespace drivesmith {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  // Removes a named temporary that was not committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the file for `outputPath` in the output's folder, after removing
  // the temporaries that killed runs left there (not on Windows).
  bool Open(const std::string& outputPath, std::string& error);

  // Where to write the contents.
  int Fd() const { return file_.Get(); }

  // Gives the contents the permission bits `mode` (not on Windows), flushes
  // them to the device, puts them in place of the output and flushes the
  // folder.
  bool Commit(mode_t mode, std::string& error);

 private:
  bool OpenUnnamed(std::string& error, bool& unsupported);
  bool OpenNamed(std::string& error);
  bool PlaceUnnamed(std::string& error);
  bool PlaceNamed(std::string& error);
  bool SyncFolder(std::string& error) const;

  std::string output_;
  std::string folder_;
  FileDescriptor file_;
  // The named temporary, while it exists under that name.
  std::string temporary_;
};

}  // namespace drivesmith
