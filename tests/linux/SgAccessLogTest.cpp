// The SG_IO layer on real files in a scratch sysfs and /dev: the node each
// drive address maps to, what each open met, and the account printed when no
// drive answered.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>

#include "platform/linux/EmptyDiscoveryReport.h"
#include "platform/linux/SgDevicePath.h"
#include "platform/linux/SgIoPassThroughLayer.h"
#include "tests/image/TempFolder.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;
constexpr auto kCdrom = TransportMode::PassThroughCdrom;
constexpr auto kLetter = TransportMode::PassThroughLetter;
const std::string kHeading = "drivesmith: no drive answered. What was tried:\n";

// This thread's effective capabilities cleared while it lives: root then
// meets file permissions as any user does.
class WithoutCapabilities {
 public:
  WithoutCapabilities() {
    ::syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct none[2] = {saved_[0], saved_[1]};
    none[0].effective = none[1].effective = 0;
    ::syscall(SYS_capset, &header_, none);
  }
  ~WithoutCapabilities() { ::syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
};

// A sysfs as the kernel lays it out: sr0 with generic node sg2, sr1 without
// one (the sg module not loaded); and an empty /dev.
class SgNodesTest : public ::testing::Test {
 protected:
  SgNodesTest() {
    fs::create_directories(sysfs_ / "class/block/sr0/device/scsi_generic/sg2");
    fs::create_directories(sysfs_ / "class/block/sr1/device");
    fs::create_directories(dev_);
  }
  std::string Node(const char* name) const { return (dev_ / name).string(); }
  void Touch(const char* name) const { std::ofstream(dev_ / name) << "not a device"; }

  testing_support::TempFolder folder_;
  fs::path sysfs_ = folder_.Path() / "sys";
  fs::path dev_ = folder_.Path() / "dev";
};

TEST_F(SgNodesTest, MapsDriveAddressesToDeviceNodes) {
  const std::pair<PassThroughAddress, const char*> mapped[] = {
      {{kCdrom, 0}, "sg2"},  {{kCdrom, 1}, "sr1"},  {{kCdrom, 255}, "sr255"},
      {{kLetter, 0}, "sg0"}, {{kLetter, 2}, "sg2"}, {{kLetter, 253}, "sg253"}};
  for (const auto& [address, node] : mapped)
    EXPECT_EQ(SgDevicePath(address, sysfs_, dev_), dev_ / node) << node;
  EXPECT_EQ(SgDevicePath({TransportMode::Aspi, 0}, sysfs_, dev_), std::nullopt);
}

// Every outcome an open can meet on a host, from the nodes to the account.
// The nodes that exist are plain files or a folder, which take no SG_IO.
TEST_F(SgNodesTest, AccountTellsWhatEachNodeMet) {
  Touch("sg2");
  Touch("sr1");
  fs::create_directories(dev_ / "sg3");
  Touch("sg4");
  fs::permissions(dev_ / "sg4", fs::perms::none);
  // A node whose open for writing must wait until another holder lets go
  // (a lease here): opened without blocking, it is refused at once.
  Touch("sg5");
  const int leaseHolder = ::open(Node("sg5").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::fcntl(leaseHolder, F_SETLEASE, F_RDLCK), 0) << std::strerror(errno);
  std::signal(SIGIO, SIG_IGN);
  // Append-only (where this user may set it): an open for writing is not
  // permitted whatever the permission bits say.
  Touch("sg6");
  const int appendOnly = ::open(Node("sg6").c_str(), O_RDONLY | O_CLOEXEC);
  int flags = FS_APPEND_FL;
  const bool sg6AppendOnly = ::ioctl(appendOnly, FS_IOC_SETFLAGS, &flags) == 0;
  if (!sg6AppendOnly) std::cout << "append-only files not available; sg6 not tried\n";

  SgAccessLog log;
  {
    const WithoutCapabilities asAnyUser;
    SgIoPassThroughLayer layer(sysfs_, dev_, &log);
    for (const PassThroughAddress address :
         {PassThroughAddress{kCdrom, 0},
          {kCdrom, 1},
          {kCdrom, 2},
          {kLetter, 3},
          {kLetter, 4},
          {kLetter, 5},
          {kLetter, sg6AppendOnly ? std::uint8_t{6} : std::uint8_t{3}},
          {kCdrom, 0},
          {TransportMode::Aspi, 0}})
      EXPECT_EQ(layer.Open(address), nullptr) << int{address.driveIndex};
  }
  flags = 0;
  if (sg6AppendOnly) ::ioctl(appendOnly, FS_IOC_SETFLAGS, &flags);
  ::close(appendOnly);
  ::close(leaseHolder);
  std::signal(SIGIO, SIG_DFL);

  const std::string group = "(join group group" + std::to_string(::getegid()) + ")\n";
  EXPECT_EQ(DescribeEmptyDiscovery(log, [](gid_t id) { return "group" + std::to_string(id); }),
            kHeading + "  " + Node("sg2") + ": does not take SCSI commands (SG_IO)\n  " +
                Node("sr1") +
                ": no generic node (load the sg module); does not take SCSI commands (SG_IO)\n  " +
                Node("sg3") + ": cannot open (Is a directory)\n  " + Node("sg4") +
                ": permission denied " + group + "  " + Node("sg5") +
                ": cannot open (Resource temporarily unavailable)\n" +
                (sg6AppendOnly ? "  " + Node("sg6") + ": permission denied " + group : "") +
                "  1 node (" + Node("srN") + ") does not exist\n");
  EXPECT_EQ(GroupName(0), "root");
}

TEST(SgAccessLogAccount, SaysWhyEachNodeFailed) {
  const auto Attempt = [](const char* node, SgNodeOutcome outcome, int error = 0,
                          std::optional<gid_t> group = {}, bool noGeneric = false) {
    return SgNodeAttempt{node, outcome, error, group, noGeneric};
  };
  // Root's group is not worth joining; group 99 has no name.
  const auto groupName = [](gid_t id) {
    return id == 0 ? "root" : id == 24 ? "cdrom" : id == 6 ? "disk" : "";
  };
  struct Case {
    const char* name;
    std::vector<SgNodeAttempt> attempts;
    std::string account;
  };
  const Case cases[] = {
      {"nothing tried", {}, kHeading + "  no device node was tried\n"},
      {"no node at all",
       {Attempt("/dev/sr0", SgNodeOutcome::Missing, ENOENT),
        Attempt("/dev/sr1", SgNodeOutcome::Missing, ENOENT),
        Attempt("/dev/sg0", SgNodeOutcome::Missing, ENOENT)},
       kHeading +
           "  3 nodes (/dev/sgN, /dev/srN) do not exist: no optical drive is attached, or its "
           "driver (sr_mod, sg) is not loaded\n"},
      {"each failure once",
       {Attempt("/dev/sr0", SgNodeOutcome::Opened, 0, {}, true),
        Attempt("/dev/sg1", SgNodeOutcome::PermissionDenied, EACCES, 24),
        Attempt("/dev/sg2", SgNodeOutcome::PermissionDenied, EACCES, 0),
        Attempt("/dev/sg4", SgNodeOutcome::PermissionDenied, EPERM, 99),
        Attempt("/dev/sg3", SgNodeOutcome::Opened),
        Attempt("/dev/sr6", SgNodeOutcome::PermissionDenied, EACCES, 6, true),
        Attempt("/dev/sr8", SgNodeOutcome::Missing, ENOENT, {}, true),
        Attempt("/dev/sg9", SgNodeOutcome::Missing, ENOENT)},
       kHeading + "  /dev/sr0: no generic node (load the sg module)\n"
                  "  /dev/sg1: permission denied (join group cdrom)\n"
                  "  /dev/sg2: permission denied\n"
                  "  /dev/sg4: permission denied\n"
                  "  /dev/sg3: opened, but no drive answered INQUIRY\n"
                  "  /dev/sr6: no generic node (load the sg module); permission denied (join "
                  "group disk)\n"
                  "  /dev/sr8: no generic node (load the sg module); no such node\n"
                  "  1 node (/dev/sgN) does not exist\n"},
  };
  for (const Case& c : cases) {
    SgAccessLog log;
    // A node tried again keeps its place and tells its latest outcome.
    if (!c.attempts.empty())
      log.Record(Attempt(c.attempts.front().node.c_str(), SgNodeOutcome::OpenFailed, EIO));
    for (const SgNodeAttempt& attempt : c.attempts) log.Record(attempt);
    EXPECT_EQ(DescribeEmptyDiscovery(log, groupName), c.account) << c.name;
  }
}

}  // namespace
}  // namespace drivesmith
