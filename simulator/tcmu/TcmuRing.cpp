#include "simulator/tcmu/TcmuRing.h"

#include <linux/target_core_user.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

namespace drivesmith::tcmu {

namespace {

// The fields of the mailbox and of a command entry, read and written by
// offset: the shared region is laid out by the kernel and is not aligned for
// the packed structures of the header.
constexpr std::size_t kMailboxVersion = offsetof(tcmu_mailbox, version);
constexpr std::size_t kRingOffset = offsetof(tcmu_mailbox, cmdr_off);
constexpr std::size_t kRingSize = offsetof(tcmu_mailbox, cmdr_size);
constexpr std::size_t kHead = offsetof(tcmu_mailbox, cmd_head);
constexpr std::size_t kTail = offsetof(tcmu_mailbox, cmd_tail);

constexpr std::size_t kEntryLengthAndOp = offsetof(tcmu_cmd_entry, hdr.len_op);
constexpr std::size_t kEntryUserFlags = offsetof(tcmu_cmd_entry, hdr.uflags);
constexpr std::size_t kEntryIovCount = offsetof(tcmu_cmd_entry, req.iov_cnt);
constexpr std::size_t kEntryCdbOffset = offsetof(tcmu_cmd_entry, req.cdb_off);
constexpr std::size_t kEntryIov = offsetof(tcmu_cmd_entry, req.iov);
constexpr std::size_t kEntryStatus = offsetof(tcmu_cmd_entry, rsp.scsi_status);
constexpr std::size_t kEntryReadLength = offsetof(tcmu_cmd_entry, rsp.read_len);
constexpr std::size_t kEntrySense = offsetof(tcmu_cmd_entry, rsp.sense_buffer);
constexpr std::size_t kIovLength = sizeof(struct iovec);
constexpr std::size_t kIovBase = offsetof(struct iovec, iov_base);
constexpr std::size_t kIovLen = offsetof(struct iovec, iov_len);

// The kernel copies exactly the length that the operation code's group
// gives: 6, 10, 12 or 16 bytes, or 8 plus the additional length for
// variable-length blocks.
std::size_t CommandBlockLength(std::uint8_t first, std::uint8_t seventh) {
  constexpr std::uint8_t kVariableLength = 0x7F;
  constexpr std::size_t kByGroup[8] = {6, 10, 10, 12, 16, 12, 10, 10};
  if (first == kVariableLength) return 8u + seventh;
  return kByGroup[first >> 5];
}

// The longest block whose length the first bytes alone give.
constexpr std::size_t kLongestFixedBlock = 16;

template <typename T>
T Load(std::span<const std::uint8_t> bytes, std::size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

template <typename T>
void Store(std::span<std::uint8_t> bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Reads and writes of the head and tail, which the kernel changes and reads
// concurrently.
std::uint32_t LoadShared(std::span<std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value;
  __atomic_load(reinterpret_cast<std::uint32_t*>(bytes.data() + at), &value, __ATOMIC_ACQUIRE);
  return value;
}

void StoreShared(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  __atomic_store(reinterpret_cast<std::uint32_t*>(bytes.data() + at), &value, __ATOMIC_RELEASE);
}

}  // namespace

TcmuRing::TcmuRing(std::span<std::uint8_t> shared) : shared_(shared) {}

bool TcmuRing::Valid() const {
  if (shared_.size() < sizeof(tcmu_mailbox)) return false;
  const auto version = Load<std::uint16_t>(shared_, kMailboxVersion);
  const auto offset = Load<std::uint32_t>(shared_, kRingOffset);
  const auto size = Load<std::uint32_t>(shared_, kRingSize);
  return version == TCMU_MAILBOX_VERSION && offset >= sizeof(tcmu_mailbox) && size > 0 &&
         std::size_t{offset} + size <= shared_.size();
}

int TcmuRing::AnswerPending(const Server& serve) {
  const auto ringOffset = Load<std::uint32_t>(shared_, kRingOffset);
  const auto ringSize = Load<std::uint32_t>(shared_, kRingSize);
  const std::span<std::uint8_t> ring = shared_.subspan(ringOffset, ringSize);
  int taken = 0;
  std::uint32_t tail = LoadShared(shared_, kTail);
  while (tail != LoadShared(shared_, kHead)) {
    const std::span<std::uint8_t> entry = ring.subspan(tail);
    const auto lengthAndOp = Load<std::uint32_t>(entry, kEntryLengthAndOp);
    const std::uint32_t length = tcmu_hdr_get_len(lengthAndOp);
    if (length == 0 || length > ringSize) break;  // a ring the kernel did not write
    const auto op = tcmu_hdr_get_op(lengthAndOp);
    if (op == TCMU_OP_CMD) {
      RingCommand command;
      const auto cdbOffset = Load<std::uint64_t>(entry, kEntryCdbOffset);
      if (cdbOffset + kLongestFixedBlock > shared_.size()) break;
      const std::uint8_t* cdb = shared_.data() + cdbOffset;
      const std::size_t cdbLength =
          std::min(CommandBlockLength(cdb[0], cdb[7]), shared_.size() - cdbOffset);
      command.cdb.assign(cdb, cdb + cdbLength);
      const auto iovCount = Load<std::uint32_t>(entry, kEntryIovCount);
      struct Segment {
        std::uint64_t offset;
        std::uint64_t length;
      };
      std::vector<Segment> segments;
      for (std::uint32_t i = 0; i < iovCount; ++i) {
        const std::size_t at = kEntryIov + i * kIovLength;
        const Segment segment{Load<std::uint64_t>(entry, at + kIovBase),
                              Load<std::uint64_t>(entry, at + kIovLen)};
        if (segment.offset + segment.length > shared_.size()) break;
        segments.push_back(segment);
        command.data.insert(command.data.end(), shared_.begin() + static_cast<long>(segment.offset),
                            shared_.begin() + static_cast<long>(segment.offset + segment.length));
      }

      RingAnswer answer;
      if (!serve(command, answer)) break;

      std::size_t copied = 0;
      const std::size_t toCopy = std::min<std::size_t>(answer.dataIn, answer.data.size());
      for (const Segment& segment : segments) {
        if (copied == toCopy) break;
        const std::size_t n = std::min<std::size_t>(segment.length, toCopy - copied);
        std::memcpy(shared_.data() + segment.offset, answer.data.data() + copied, n);
        copied += n;
      }
      Store<std::uint8_t>(entry, kEntryStatus, answer.status);
      std::uint8_t sense[TCMU_SENSE_BUFFERSIZE] = {};
      std::copy_n(answer.sense.begin(), std::min<std::size_t>(answer.sense.size(), sizeof sense),
                  sense);
      std::memcpy(entry.data() + kEntrySense, sense, sizeof sense);
      auto flags = Load<std::uint8_t>(entry, kEntryUserFlags);
      if (answer.dataInCommand && answer.dataIn < command.data.size()) {
        flags = static_cast<std::uint8_t>(flags | TCMU_UFLAG_READ_LEN);
        Store<std::uint32_t>(entry, kEntryReadLength, answer.dataIn);
      }
      Store<std::uint8_t>(entry, kEntryUserFlags, flags);
    } else if (op != TCMU_OP_PAD) {
      // Task management notes and anything newer: seen, nothing to answer.
      auto flags = Load<std::uint8_t>(entry, kEntryUserFlags);
      if (op != TCMU_OP_TMR) flags = static_cast<std::uint8_t>(flags | TCMU_UFLAG_UNKNOWN_OP);
      Store<std::uint8_t>(entry, kEntryUserFlags, flags);
    }
    tail = (tail + length) % ringSize;
    StoreShared(shared_, kTail, tail);
    ++taken;
  }
  return taken;
}

}  // namespace drivesmith::tcmu
