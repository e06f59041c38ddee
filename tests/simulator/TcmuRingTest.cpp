// The TCMU command ring walked in memory laid out the way the kernel lays it
// out: entries with their command blocks and data segments, padding at the
// ring's end, task management notes, and the answers written back.

#include <gtest/gtest.h>
#include <linux/target_core_user.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "simulator/tcmu/TcmuRing.h"

namespace drivesmith::tcmu {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRingOffset = 128;
constexpr std::uint32_t kRingSize = 1024;
constexpr std::size_t kDataArea = kRingOffset + kRingSize;
constexpr std::size_t kSharedSize = kDataArea + 8192;

// The shared region with a kernel's view of it: entries are put at the head.
class KernelSide {
 public:
  KernelSide() : shared(kSharedSize, 0) {
    tcmu_mailbox mailbox{};
    mailbox.version = TCMU_MAILBOX_VERSION;
    mailbox.cmdr_off = kRingOffset;
    mailbox.cmdr_size = kRingSize;
    std::memcpy(shared.data(), &mailbox, sizeof mailbox);
  }

  // A command entry at the head; its command block follows its segments.
  // Returns the entry's offset in the region.
  std::size_t PutCommand(const Bytes& cdb,
                         const std::vector<std::pair<std::size_t, Bytes>>& segments) {
    // As the kernel sizes it: the segments overlay the answer's space.
    const std::size_t segmentsAt = offsetof(tcmu_cmd_entry, req.iov);
    const std::size_t entrySize =
        std::max(segmentsAt + segments.size() * sizeof(iovec), sizeof(tcmu_cmd_entry));
    const std::size_t length = (entrySize + 16 + 7) & ~std::size_t{7};
    // An entry never runs past the ring's end: padding fills the rest.
    if (Head() + length > kRingSize) PutOther(TCMU_OP_PAD, kRingSize - Head());
    const std::size_t at = kRingOffset + Head();
    tcmu_cmd_entry entry{};
    entry.hdr.len_op = static_cast<std::uint32_t>(length) | TCMU_OP_CMD;
    entry.req.iov_cnt = static_cast<std::uint32_t>(segments.size());
    entry.req.cdb_off = at + entrySize;
    std::memcpy(shared.data() + at, &entry, sizeof entry);
    for (std::size_t i = 0; i < segments.size(); ++i) {
      const auto& [offset, bytes] = segments[i];
      iovec iov{reinterpret_cast<void*>(offset), bytes.size()};
      std::memcpy(shared.data() + at + segmentsAt + i * sizeof(iovec), &iov, sizeof iov);
      std::memcpy(shared.data() + offset, bytes.data(), bytes.size());
    }
    std::memcpy(shared.data() + at + entrySize, cdb.data(), cdb.size());
    Advance(length);
    return at;
  }

  void PutOther(tcmu_opcode op, std::uint32_t length) {
    tcmu_cmd_entry_hdr header{};
    header.len_op = length | static_cast<std::uint32_t>(op);
    std::memcpy(shared.data() + kRingOffset + Head(), &header, sizeof header);
    Advance(length);
  }

  std::uint32_t Head() const { return Field(offsetof(tcmu_mailbox, cmd_head)); }
  std::uint32_t Tail() const { return Field(offsetof(tcmu_mailbox, cmd_tail)); }
  tcmu_cmd_entry Entry(std::size_t at) const {
    tcmu_cmd_entry entry;
    std::memcpy(&entry, shared.data() + at, sizeof entry);
    return entry;
  }

  Bytes shared;

 private:
  std::uint32_t Field(std::size_t at) const {
    std::uint32_t value;
    std::memcpy(&value, shared.data() + at, sizeof value);
    return value;
  }
  void Advance(std::size_t length) {
    const auto head = static_cast<std::uint32_t>((Head() + length) % kRingSize);
    std::memcpy(shared.data() + offsetof(tcmu_mailbox, cmd_head), &head, sizeof head);
  }
};

TEST(TcmuRing, CommandBlocksAndSegmentsComeInAndAnswersGoBack) {
  KernelSide kernel;
  const Bytes inquiry = {0x12, 0, 0, 0, 36, 0};
  const Bytes confirm = {0xE7, 0, 0, 0, 0, 0, 1, 0x40, 0x12, 0x34, 0xEE, 0xEE};
  const Bytes transfer = {0xE2, 0, 0, 0, 0, 0, 0x00, 0x06, 1, 0};
  const std::size_t first =
      kernel.PutCommand(inquiry, {{kDataArea, Bytes(24, 0)}, {kDataArea + 4096, Bytes(12, 0)}});
  kernel.PutCommand(confirm, {});
  const std::size_t third =
      kernel.PutCommand(transfer, {{kDataArea + 64, Bytes{1, 2, 3, 4, 5, 6}}});

  std::vector<RingCommand> seen;
  TcmuRing ring(kernel.shared);
  ASSERT_TRUE(ring.Valid());
  const int answered = ring.AnswerPending([&](const RingCommand& command, RingAnswer& answer) {
    seen.push_back(command);
    if (command.cdb[0] == 0x12) {
      answer.dataInCommand = true;
      answer.data.assign(command.data.size(), 0);
      for (std::size_t i = 0; i < 30; ++i) answer.data[i] = static_cast<std::uint8_t>(i + 1);
      answer.dataIn = 30;  // six bytes short
    } else if (command.cdb[0] == 0xE2) {
      answer.status = 0x02;
      answer.sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0};
    }
    return true;
  });
  EXPECT_EQ(answered, 3);
  EXPECT_EQ(kernel.Tail(), kernel.Head());

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].cdb, inquiry);
  EXPECT_EQ(seen[0].data.size(), 36u);  // both segments
  // The kernel copies what the operation code's group gives: 10 bytes for 0xE7.
  EXPECT_EQ(seen[1].cdb, Bytes(confirm.begin(), confirm.begin() + 10));
  EXPECT_TRUE(seen[1].data.empty());
  EXPECT_EQ(seen[2].data, (Bytes{1, 2, 3, 4, 5, 6}));

  // Data in, scattered over the two segments, and reported as a short read.
  EXPECT_EQ(kernel.shared[kDataArea], 1);
  EXPECT_EQ(kernel.shared[kDataArea + 23], 24);
  EXPECT_EQ(kernel.shared[kDataArea + 4096], 25);
  EXPECT_EQ(kernel.shared[kDataArea + 4096 + 5], 30);
  EXPECT_EQ(kernel.shared[kDataArea + 4096 + 6], 0);
  const tcmu_cmd_entry inquiryEntry = kernel.Entry(first);
  EXPECT_EQ(inquiryEntry.rsp.scsi_status, 0);
  EXPECT_TRUE(inquiryEntry.hdr.uflags & TCMU_UFLAG_READ_LEN);
  EXPECT_EQ(inquiryEntry.rsp.read_len, 30u);
  // Data out: no read length; the sense goes back as given.
  const tcmu_cmd_entry transferEntry = kernel.Entry(third);
  EXPECT_EQ(transferEntry.rsp.scsi_status, 0x02);
  EXPECT_FALSE(transferEntry.hdr.uflags & TCMU_UFLAG_READ_LEN);
  EXPECT_EQ(static_cast<std::uint8_t>(transferEntry.rsp.sense_buffer[12]), 0x24);
}

TEST(TcmuRing, PaddingAndNotesAreSkippedAndAnUnansweredCommandHoldsTheTail) {
  KernelSide kernel;
  kernel.PutOther(TCMU_OP_TMR, 64);
  kernel.PutOther(TCMU_OP_PAD, 64);
  const std::size_t held = kernel.PutCommand({0x00, 0, 0, 0, 0, 0}, {});
  kernel.PutCommand({0x00, 0, 0, 0, 0, 0}, {});

  TcmuRing ring(kernel.shared);
  int served = 0;
  // The note and the padding are taken; the first command is held.
  EXPECT_EQ(ring.AnswerPending([&](const RingCommand&, RingAnswer&) { return ++served > 1; }), 2);
  EXPECT_EQ(served, 1);
  EXPECT_EQ(kernel.Tail(), held - kRingOffset);
  // The next walk starts at the held command.
  EXPECT_EQ(ring.AnswerPending([](const RingCommand&, RingAnswer&) { return true; }), 2);
  EXPECT_EQ(kernel.Tail(), kernel.Head());
}

// Many times round the ring, with one to three commands waiting at a time:
// the commands after each wrap are read from the ring's start.
TEST(TcmuRing, CommandsAfterTheRingWrapsAroundAreReadRight) {
  KernelSide kernel;
  TcmuRing ring(kernel.shared);
  int wraps = 0;
  for (std::uint8_t round = 0; round < 60; ++round) {
    const std::uint32_t headBefore = kernel.Head();
    std::vector<std::pair<Bytes, Bytes>> put, seen;
    for (std::uint8_t n = 0; n <= round % 3; ++n) {
      // 1, 6 or 11 one-byte segments: entries of three lengths.
      const Bytes cdb = {0x12, 0, 0, n, round, 0}, data(1u + 5u * n, round);
      std::vector<std::pair<std::size_t, Bytes>> segments;
      for (std::size_t i = 0; i < data.size(); ++i)
        segments.push_back({kDataArea + 64 * i, {round}});
      kernel.PutCommand(cdb, segments);
      put.emplace_back(cdb, data);
    }
    wraps += kernel.Head() < headBefore ? 1 : 0;
    ring.AnswerPending([&](const RingCommand& command, RingAnswer&) {
      seen.emplace_back(command.cdb, command.data);
      return true;
    });
    EXPECT_EQ(seen, put) << "round " << int{round};
    EXPECT_EQ(kernel.Tail(), kernel.Head());
  }
  EXPECT_GE(wraps, 10);
}

TEST(TcmuRing, ARegionWithoutAMailboxIsRefused) {
  Bytes empty(kSharedSize, 0);
  EXPECT_FALSE(TcmuRing(empty).Valid());
  KernelSide kernel;
  kernel.shared.resize(kRingOffset + kRingSize - 1);  // the ring runs past the end
  EXPECT_FALSE(TcmuRing(kernel.shared).Valid());
}

}  // namespace
}  // namespace drivesmith::tcmu
