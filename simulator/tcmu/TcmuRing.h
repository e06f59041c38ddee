#pragma once
// The command ring of a TCMU device: the kernel's user-space SCSI target puts
// each command for the device into a ring inside the shared memory that the
// device's UIO node maps, and takes the answer back from the same entry.
// This class walks that ring in memory; UioDevice maps it and carries the
// notifications.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace drivesmith::tcmu {

// One command taken from the ring.
struct RingCommand {
  std::vector<std::uint8_t> cdb;  // as long as the kernel copied it
  // The data buffer, gathered from the entry's segments (zero-filled for
  // data-in commands, the bytes sent for data-out commands).
  std::vector<std::uint8_t> data;
};

// The handler's answer to one command.
struct RingAnswer {
  std::uint8_t status = 0;
  // Whether the command reads data from the drive; only such a command's
  // shorter answer is reported as a short read.
  bool dataInCommand = false;
  std::vector<std::uint8_t> sense;  // at most 96 bytes
  // Bytes of `data` to hand back (data-in commands); fewer than the buffer
  // holds is reported as a short read.
  std::uint32_t dataIn = 0;
  std::vector<std::uint8_t> data;
};

class TcmuRing {
 public:
  // `shared` is the whole mapped region: mailbox, ring and data area.
  explicit TcmuRing(std::span<std::uint8_t> shared);

  // Whether the mailbox is one this handler understands (its version and
  // ring bounds).
  bool Valid() const;

  // Answers every command between the mailbox's tail and head with
  // `serve`, in order, and moves the tail past each one answered and past
  // padding and task management notes. `serve` returns false to leave a
  // command unanswered; the walk then stops there and the tail stays on that
  // command. Returns the number of entries the tail moved past: when it is
  // not 0, the kernel must be told.
  using Server = std::function<bool(const RingCommand&, RingAnswer&)>;
  int AnswerPending(const Server& serve);

 private:
  std::span<std::uint8_t> shared_;
};

}  // namespace drivesmith::tcmu
