// What the SG_IO layer records at each node it tries, on real files in a
// scratch sysfs and /dev, and the account printed when no drive answered.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/linux/SgAccessLog.h"
#include "platform/linux/SgIoPassThroughLayer.h"

namespace drivesmith {
namespace {

namespace fs = std::filesystem;

class SgAccessLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string root = (fs::temp_directory_path() / "drivesmith-nodes-XXXXXX").string();
    ASSERT_NE(::mkdtemp(root.data()), nullptr);
    root_ = root;
    sysfs_ = root_ / "sys";
    dev_ = root_ / "dev";
    fs::create_directories(sysfs_);
    fs::create_directories(dev_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dev_ / "sg4", fs::perms::owner_all, ignored);
    fs::remove_all(root_);
  }
  void Touch(const fs::path& file) { std::ofstream(file) << "not a device"; }

  fs::path root_;
  fs::path sysfs_;
  fs::path dev_;
};

// sr0 has generic node sg2, sr1 has none (sg not loaded), sr2 is not there;
// the nodes that exist are plain files or a folder, which take no SG_IO.
TEST_F(SgAccessLogTest, RecordsWhatEachNodeMet) {
  fs::create_directories(sysfs_ / "class/block/sr0/device/scsi_generic/sg2");
  fs::create_directories(sysfs_ / "class/block/sr1/device");
  Touch(dev_ / "sg2");
  Touch(dev_ / "sr1");
  fs::create_directories(dev_ / "sg3");
  Touch(dev_ / "sg4");
  fs::permissions(dev_ / "sg4", fs::perms::none);
  const bool permissionsHold = ::geteuid() != 0;  // root opens it anyway

  SgAccessLog log;
  SgIoPassThroughLayer layer(sysfs_, dev_, &log);
  constexpr auto kCdrom = TransportMode::PassThroughCdrom;
  constexpr auto kLetter = TransportMode::PassThroughLetter;
  for (const PassThroughAddress address : {PassThroughAddress{kCdrom, 0},
                                           {kCdrom, 1},
                                           {kCdrom, 2},
                                           {kLetter, 3},
                                           {kLetter, 4},
                                           {kCdrom, 0},
                                           {TransportMode::Aspi, 0}})
    EXPECT_EQ(layer.Open(address), nullptr) << int{address.driveIndex};

  struct Expected {
    const char* node;
    SgNodeOutcome outcome;
    int error;
    bool noGenericNode;
  };
  const Expected expected[] = {
      {"sg2", SgNodeOutcome::NoSgIo, ENOTTY, false},
      {"sr1", SgNodeOutcome::NoSgIo, ENOTTY, true},
      {"sr2", SgNodeOutcome::Missing, ENOENT, false},
      {"sg3", SgNodeOutcome::OpenFailed, EISDIR, false},
      {"sg4", permissionsHold ? SgNodeOutcome::PermissionDenied : SgNodeOutcome::NoSgIo,
       permissionsHold ? EACCES : ENOTTY, false},
  };
  ASSERT_EQ(log.Attempts().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const SgNodeAttempt& attempt = log.Attempts()[i];
    EXPECT_EQ(attempt.node, dev_ / expected[i].node) << i;
    EXPECT_EQ(attempt.outcome, expected[i].outcome) << attempt.node;
    EXPECT_EQ(attempt.error, expected[i].error) << attempt.node;
    EXPECT_EQ(attempt.noGenericNode, expected[i].noGenericNode) << attempt.node;
  }
  if (permissionsHold) {
    EXPECT_FALSE(log.Attempts()[4].group.empty());
  }
}

TEST(SgAccessLogAccount, SaysWhyEachNodeFailed) {
  const auto Attempt = [](const char* node, SgNodeOutcome outcome, int error = 0,
                          std::string group = {}, bool noGeneric = false) {
    return SgNodeAttempt{node, outcome, error, std::move(group), noGeneric};
  };
  const std::string heading = "drivesmith: no drive answered. What was tried:\n";
  struct Case {
    const char* name;
    std::vector<SgNodeAttempt> attempts;
    std::string account;
  };
  const Case cases[] = {
      {"nothing tried", {}, heading + "  no device node was tried\n"},
      {"no node at all",
       {Attempt("/dev/sr0", SgNodeOutcome::Missing, ENOENT),
        Attempt("/dev/sr1", SgNodeOutcome::Missing, ENOENT),
        Attempt("/dev/sg0", SgNodeOutcome::Missing, ENOENT)},
       heading +
           "  3 nodes (/dev/sgN, /dev/srN) do not exist: no optical drive is attached, or its "
           "driver (sr_mod, sg) is not loaded\n"},
      {"each failure once",
       {Attempt("/dev/sr0", SgNodeOutcome::Opened, 0, {}, true),
        Attempt("/dev/sg1", SgNodeOutcome::PermissionDenied, EACCES, "cdrom"),
        Attempt("/dev/sg2", SgNodeOutcome::PermissionDenied, EACCES, "root"),
        Attempt("/dev/sg3", SgNodeOutcome::Opened),
        Attempt("/dev/sg4", SgNodeOutcome::OpenFailed, ENXIO),
        Attempt("/dev/sg5", SgNodeOutcome::NoSgIo, ENOTTY),
        Attempt("/dev/sr6", SgNodeOutcome::PermissionDenied, EACCES, "disk", true),
        Attempt("/dev/sg7", SgNodeOutcome::Missing, ENOENT)},
       heading + "  /dev/sr0: no generic node (load the sg module)\n"
                 "  /dev/sg1: permission denied (join group cdrom)\n"
                 "  /dev/sg2: permission denied\n"
                 "  /dev/sg3: opened, but no drive answered INQUIRY\n"
                 "  /dev/sg4: cannot open (No such device or address)\n"
                 "  /dev/sg5: does not take SCSI commands (SG_IO)\n"
                 "  /dev/sr6: no generic node (load the sg module); permission denied (join group "
                 "disk)\n"
                 "  1 node (/dev/sgN) does not exist\n"},
  };
  for (const Case& c : cases) {
    SgAccessLog log;
    // A node tried again keeps its place and tells its latest outcome.
    if (!c.attempts.empty())
      log.Record(Attempt(c.attempts.front().node.c_str(), SgNodeOutcome::OpenFailed, EIO));
    for (const SgNodeAttempt& attempt : c.attempts) log.Record(attempt);
    EXPECT_EQ(DescribeEmptyDiscovery(log), c.account) << c.name;
  }
}

}  // namespace
}  // namespace drivesmith
