// LogindSystemPower against python3-dbusmock's logind template on a private bus.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtDBus/QDBusArgument>
#include <QtDBus/QDBusConnectionInterface>
#include <QtDBus/QDBusMessage>

#include "platform/linux/LogindSystemPower.h"

namespace drivesmith {
namespace {

// Bounds for the helpers to start and react; no check depends on timing.
constexpr int kHelperLimitMs = 20000;
constexpr unsigned long kPollMs = 20;
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kPython = QStringLiteral("/usr/bin/python3");

class LogindSystemPowerTest : public ::testing::Test {
 protected:
  // Timers and event processing need an application object; one serves the
  // whole program.
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "linux_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
  }

  void SetUp() override {
    if (QProcess::execute(kPython, {"-c", "import dbusmock"}) != 0)
      GTEST_SKIP() << "python3-dbusmock is not installed";
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon_.waitForReadyRead(kHelperLimitMs)) << "dbus-daemon printed no address";
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    bus_ = QDBusConnection::connectToBus(address_, "logind-test");
    ASSERT_TRUE(bus_.isConnected());
  }

  void TearDown() override {
    for (QProcess* process : {&mock_, &daemon_}) {
      process->terminate();
      process->waitForFinished(kHelperLimitMs);
    }
    bus_ = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus("logind-test");
  }

  void StartFakeLogind() {
    mock_.setEnvironment(QProcess::systemEnvironment() << "DBUS_SYSTEM_BUS_ADDRESS=" + address_);
    mock_.start(kPython, {"-m", "dbusmock", "--system", "--template", "logind", "--logfile",
                          folder_.filePath("calls.log")});
    const QDeadlineTimer deadline(kHelperLimitMs);
    while (!bus_.interface()->isServiceRegistered(kLogind).value()) {
      ASSERT_FALSE(deadline.hasExpired()) << "the fake logind did not appear";
      QThread::msleep(kPollMs);
    }
  }

  // The fake logind's Reboot holds its answer until `flag` exists, for half
  // the time the program allows the call at most, then logs whether the flag
  // came in time.
  void HoldRebootUntil(const QString& flag) {
    const int holdMs = static_cast<int>(kLogindCallTimeout.count() / 2);
    const QString code = QStringLiteral(
                             "import os, time\n"
                             "deadline = time.monotonic() + %1 / 1000\n"
                             "while not os.path.exists('%2') and time.monotonic() < deadline:\n"
                             "    time.sleep(0.02)\n"
                             "self.log('Reboot answered ' + ('in time' if os.path.exists('%2') "
                             "else 'after holding it'))\n")
                             .arg(holdMs)
                             .arg(flag);
    const QDBusMessage reply =
        bus_.call(QDBusMessage::createMethodCall(kLogind, "/org/freedesktop/login1",
                                                 "org.freedesktop.DBus.Mock", "AddMethod")
                  << "org.freedesktop.login1.Manager"
                  << "Reboot"
                  << "b"
                  << "" << code);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  }

  QString Calls() {
    QFile log(folder_.filePath("calls.log"));
    if (!log.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(log.readAll());
  }

  int HeldLocks() {
    const QDBusMessage reply = bus_.call(QDBusMessage::createMethodCall(
        kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors"));
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    int count = 0;
    list.beginArray();
    for (; !list.atEnd(); ++count) list.asVariant();
    list.endArray();
    return count;
  }

  QProcess daemon_;
  QProcess mock_;
  QString address_;
  QDBusConnection bus_{QString()};
  QTemporaryDir folder_;
};

TEST_F(LogindSystemPowerTest, RebootsInteractivelyAndHoldsTheLockUntilDestroyed) {
  StartFakeLogind();
  LogindSystemPower power(bus_);
  power.RequestRestart(false);
  auto lock = power.InhibitShutdown("Rewriting the drive firmware");
  ASSERT_NE(lock, nullptr);
  const int flags =
      ::fcntl(dynamic_cast<LogindShutdownInhibitor&>(*lock).FileDescriptor(), F_GETFD);
  ASSERT_NE(flags, -1) << "the lock holds no open descriptor";
  EXPECT_NE(flags & FD_CLOEXEC, 0) << "a started program would inherit the lock";
  const QString calls = Calls();
  EXPECT_TRUE(calls.contains(" Reboot True\n")) << calls.toStdString();
  EXPECT_TRUE(calls.contains(QStringLiteral(
      " Inhibit \"shutdown:sleep:idle\" \"Drivesmith\" \"Rewriting the drive firmware\" "
      "\"block\"\n")));
  EXPECT_EQ(HeldLocks(), 1);
  lock.reset();  // closes the descriptor, which is what releases the lock
  const QDeadlineTimer deadline(kHelperLimitMs);
  while (HeldLocks() != 0 && !deadline.hasExpired()) QThread::msleep(kPollMs);
  EXPECT_EQ(HeldLocks(), 0);
}

// While logind waits for the user to authenticate, the window goes on
// painting and answering: an event queued before the request is served while
// the fake logind still holds its answer, and that event is what releases it.
TEST_F(LogindSystemPowerTest, TheEventLoopRunsWhileTheRebootIsPending) {
  StartFakeLogind();
  const QString flag = folder_.filePath("event-served");
  HoldRebootUntil(flag);
  LogindSystemPower power(bus_);
  QTimer::singleShot(0, [&flag] { QFile(flag).open(QIODevice::WriteOnly); });
  power.RequestRestart(true);
  const QDeadlineTimer deadline(kHelperLimitMs);
  while (!Calls().contains("Reboot answered") && !deadline.hasExpired()) {
    QCoreApplication::processEvents();
    QThread::msleep(kPollMs);
  }
  const QString calls = Calls();
  EXPECT_TRUE(calls.contains(" Reboot True\n")) << calls.toStdString();
  EXPECT_TRUE(calls.contains("Reboot answered in time")) << calls.toStdString();
}

TEST_F(LogindSystemPowerTest, WithoutLogindEverythingFailsSilently) {
  LogindSystemPower power(bus_);
  power.RequestRestart(true);
  EXPECT_EQ(power.InhibitShutdown("Rewriting the drive firmware"), nullptr);
}

}  // namespace
}  // namespace drivesmith
