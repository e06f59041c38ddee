// LogindSystemPower against a fake logind (python3-dbusmock's logind
// template) on a private message bus that the test starts and stops.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QThread>
#include <QtDBus/QDBusArgument>
#include <QtDBus/QDBusConnectionInterface>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusVariant>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/LogindSystemPower.h"
#include "tests/linux/TempDirectory.h"

namespace drivesmith {
namespace {

using namespace std::chrono_literals;

// Upper bounds for the helpers' start-up and shut-down; none of the checks
// depends on how long anything takes.
constexpr auto kProcessStartLimit = 20s;
constexpr auto kProcessStopLimit = 10s;
constexpr auto kMockAppearLimit = 20s;
constexpr auto kLockReleaseLimit = 10s;
constexpr auto kPollInterval = 20ms;

constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";
constexpr char kMockInterface[] = "org.freedesktop.DBus.Mock";

int Ms(std::chrono::milliseconds duration) { return static_cast<int>(duration.count()); }

// Qt D-Bus wants an application object; one serves every test.
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QCoreApplication::instance() == nullptr) {
      app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[14] = "linux_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

void Stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(Ms(kProcessStopLimit))) {
    process.kill();
    process.waitForFinished(Ms(kProcessStopLimit));
  }
}

// The Python interpreter that has dbusmock, if any.
std::optional<QString> PythonWithDbusmock() {
  QStringList candidates{QStringLiteral("/usr/bin/python3")};
  const QString onPath = QStandardPaths::findExecutable(QStringLiteral("python3"));
  if (!onPath.isEmpty()) candidates << onPath;
  for (const QString& python : candidates) {
    if (!QFile::exists(python)) continue;
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
    if (probe.waitForFinished(Ms(kProcessStartLimit)) &&
        probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
      return python;
    }
    Stop(probe);
  }
  return std::nullopt;
}

// A message bus daemon of the test's own, listening in a temporary folder.
class PrivateBus {
 public:
  ~PrivateBus() { Stop(daemon_); }

  // Empty on success, otherwise what went wrong.
  QString Start(const QString& dbusDaemon, const std::filesystem::path& folder) {
    const QString config = QString::fromStdString((folder / "bus.conf").string());
    const QString socket = QString::fromStdString((folder / "bus.socket").string());
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
      return QStringLiteral("cannot write the bus configuration");
    file.write(
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:path=%1</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(socket)
            .toUtf8());
    file.close();

    daemon_.start(dbusDaemon,
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(Ms(kProcessStartLimit)))
      return QStringLiteral("dbus-daemon did not start");
    const QDeadlineTimer deadline(Ms(kProcessStartLimit));
    while (!daemon_.canReadLine()) {
      if (deadline.hasExpired() ||
          !daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
        return QStringLiteral("dbus-daemon printed no address: ") +
               QString::fromLocal8Bit(daemon_.readAllStandardError());
      }
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return address_.isEmpty() ? QStringLiteral("dbus-daemon printed an empty address") : QString();
  }

  const QString& Address() const { return address_; }

 private:
  QProcess daemon_;
  QString address_;
};

// python3-dbusmock's logind template, put on the private bus as its system
// bus.
class FakeLogind {
 public:
  ~FakeLogind() { Stop(mock_); }

  QString Start(const QString& python, const QString& busAddress, QDBusConnection& bus) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), busAddress);
    mock_.setProcessEnvironment(environment);
    mock_.setProcessChannelMode(QProcess::MergedChannels);
    mock_.start(python,
                {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                 QStringLiteral("--template"), QStringLiteral("logind")});
    if (!mock_.waitForStarted(Ms(kProcessStartLimit)))
      return QStringLiteral("dbusmock did not start");

    // Wait for the fake to own its name, within a bound.
    const QDeadlineTimer deadline(Ms(kMockAppearLimit));
    while (!bus.interface()->isServiceRegistered(QString::fromLatin1(kLogindService)).value()) {
      if (mock_.state() == QProcess::NotRunning) {
        return QStringLiteral("dbusmock ended: ") + QString::fromLocal8Bit(mock_.readAll());
      }
      if (deadline.hasExpired()) return QStringLiteral("dbusmock did not appear on the bus");
      QThread::msleep(static_cast<unsigned long>(kPollInterval.count()));
    }
    return {};
  }

 private:
  QProcess mock_;
};

QDBusMessage MockCall(QDBusConnection& bus, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath), interface, method);
  call.setArguments(arguments);
  return bus.call(call, QDBus::Block, Ms(kProcessStartLimit));
}

// The arguments of each logged call of `method`, oldest first.
std::vector<QVariantList> LoggedCalls(QDBusConnection& bus, const QString& method) {
  std::vector<QVariantList> calls;
  const QDBusMessage reply = MockCall(bus, QString::fromLatin1(kMockInterface),
                                      QStringLiteral("GetMethodCalls"), {method});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return calls;
  const auto log = reply.arguments().constFirst().value<QDBusArgument>();  // a(tav)
  log.beginArray();
  while (!log.atEnd()) {
    log.beginStructure();
    qulonglong timestamp = 0;
    log >> timestamp;
    QVariantList arguments;
    log.beginArray();
    while (!log.atEnd()) {
      QDBusVariant argument;
      log >> argument;
      arguments << argument.variant();
    }
    log.endArray();
    log.endStructure();
    calls.push_back(arguments);
  }
  log.endArray();
  return calls;
}

int HeldInhibitors(QDBusConnection& bus) {
  const QDBusMessage reply =
      MockCall(bus, QString::fromLatin1(kLogindManager), QStringLiteral("ListInhibitors"));
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
  const auto list = reply.arguments().constFirst().value<QDBusArgument>();  // a(ssssuu)
  int count = 0;
  list.beginArray();
  while (!list.atEnd()) {
    list.beginStructure();
    QString what, who, why, mode;
    quint32 uid = 0, pid = 0;
    list >> what >> who >> why >> mode >> uid >> pid;
    list.endStructure();
    ++count;
  }
  list.endArray();
  return count;
}

class LogindSystemPowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbusDaemon_ = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (dbusDaemon_.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    const auto python = PythonWithDbusmock();
    if (!python) GTEST_SKIP() << "python3-dbusmock is not installed";
    python_ = *python;

    ASSERT_TRUE(temp_.Created());
    const QString failure = bus_.Start(dbusDaemon_, temp_.Path());
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    connectionName_ = QStringLiteral("logind-test-%1").arg(++connectionCount_);
    connection_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(bus_.Address(), connectionName_));
    ASSERT_TRUE(connection_->isConnected()) << connection_->lastError().message().toStdString();
  }

  void TearDown() override {
    if (connection_) {
      connection_.reset();
      QDBusConnection::disconnectFromBus(connectionName_);
    }
  }

  void StartFakeLogind() {
    const QString failure = logind_.Start(python_, bus_.Address(), *connection_);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
  }

  // Replaces a logind method with one that refuses every call.
  void MakeRefuse(const QString& method, const QString& inSignature, const QString& outSignature) {
    const QString code = QStringLiteral(
        "raise dbus.exceptions.DBusException('refused by test', "
        "name='org.freedesktop.DBus.Error.AccessDenied')");
    const QDBusMessage reply =
        MockCall(*connection_, QString::fromLatin1(kMockInterface), QStringLiteral("AddMethod"),
                 {QString::fromLatin1(kLogindManager), method, inSignature, outSignature, code});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  }

  QDBusConnection& Connection() { return *connection_; }

 private:
  static inline int connectionCount_ = 0;
  QString dbusDaemon_;
  QString python_;
  testing::TempDirectory temp_;
  PrivateBus bus_;
  FakeLogind logind_;
  QString connectionName_;
  std::unique_ptr<QDBusConnection> connection_;
};

TEST_F(LogindSystemPowerTest, RestartAsksLogindToRebootInteractively) {
  StartFakeLogind();
  LogindSystemPower power(Connection());
  power.RequestRestart(true);
  power.RequestRestart(false);

  const auto calls = LoggedCalls(Connection(), QStringLiteral("Reboot"));
  ASSERT_EQ(calls.size(), 2u);
  for (const QVariantList& arguments : calls) {
    ASSERT_EQ(arguments.size(), 1);
    EXPECT_EQ(arguments[0].metaType(), QMetaType::fromType<bool>());
    EXPECT_TRUE(arguments[0].toBool());
  }
}

TEST_F(LogindSystemPowerTest, InhibitorBlocksShutdownSleepAndIdleUntilDestroyed) {
  StartFakeLogind();
  LogindSystemPower power(Connection());
  std::unique_ptr<ShutdownInhibitor> lock = power.InhibitShutdown("Rewriting the drive firmware");
  ASSERT_NE(lock, nullptr);

  const auto* logindLock = dynamic_cast<LogindShutdownInhibitor*>(lock.get());
  ASSERT_NE(logindLock, nullptr);
  const int flags = ::fcntl(logindLock->FileDescriptor(), F_GETFD);
  ASSERT_NE(flags, -1) << "the lock holds no open descriptor";
  EXPECT_NE(flags & FD_CLOEXEC, 0) << "a started program would inherit the lock";

  const auto calls = LoggedCalls(Connection(), QStringLiteral("Inhibit"));
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].size(), 4);
  EXPECT_EQ(calls[0][0].toString(), QStringLiteral("shutdown:sleep:idle"));
  EXPECT_EQ(calls[0][1].toString(), QStringLiteral("Drivesmith"));
  EXPECT_EQ(calls[0][2].toString(), QStringLiteral("Rewriting the drive firmware"));
  EXPECT_EQ(calls[0][3].toString(), QStringLiteral("block"));
  EXPECT_EQ(HeldInhibitors(Connection()), 1);

  // Destroying the lock closes the last copy of the descriptor, which is
  // what releases it; the fake notices on its own time.
  lock.reset();
  const QDeadlineTimer deadline(Ms(kLockReleaseLimit));
  while (HeldInhibitors(Connection()) != 0 && !deadline.hasExpired())
    QThread::msleep(static_cast<unsigned long>(kPollInterval.count()));
  EXPECT_EQ(HeldInhibitors(Connection()), 0) << "the lock is still held after its release";
}

TEST_F(LogindSystemPowerTest, RefusalsAreSilent) {
  StartFakeLogind();
  MakeRefuse(QStringLiteral("Reboot"), QStringLiteral("b"), QString());
  MakeRefuse(QStringLiteral("Inhibit"), QStringLiteral("ssss"), QStringLiteral("h"));
  LogindSystemPower power(Connection());

  power.RequestRestart(true);
  EXPECT_EQ(power.InhibitShutdown("Rewriting the drive firmware"), nullptr);

  // Both calls reached the refusing methods.
  EXPECT_EQ(LoggedCalls(Connection(), QStringLiteral("Reboot")).size(), 1u);
  EXPECT_EQ(LoggedCalls(Connection(), QStringLiteral("Inhibit")).size(), 1u);
  EXPECT_EQ(HeldInhibitors(Connection()), 0);
}

TEST_F(LogindSystemPowerTest, BusWithoutLogindIsSilent) {
  LogindSystemPower power(Connection());
  power.RequestRestart(true);
  EXPECT_EQ(power.InhibitShutdown("Rewriting the drive firmware"), nullptr);
}

TEST(LogindSystemPower, UnreachableBusIsSilent) {
  testing::TempDirectory temp;
  ASSERT_TRUE(temp.Created());
  const QString name = QStringLiteral("logind-test-unreachable");
  {
    const QString address =
        QStringLiteral("unix:path=") + QString::fromStdString((temp.Path() / "no-bus").string());
    LogindSystemPower power(QDBusConnection::connectToBus(address, name));
    power.RequestRestart(true);
    EXPECT_EQ(power.InhibitShutdown("Rewriting the drive firmware"), nullptr);
  }
  QDBusConnection::disconnectFromBus(name);
}

}  // namespace
}  // namespace drivesmith
