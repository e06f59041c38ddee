// The real program as a user starts it from a terminal: it takes no options,
// Qt's own included, and where no drive answers it says on standard error,
// once, why. It runs with an empty /dev and /sys of its own (a user and mount
// namespace), whatever drives this machine has.

#include <gtest/gtest.h>

#include <QtCore/QDeadlineTimer>
#include <QtCore/QProcess>

namespace {

// Bound for the program to come up; no check depends on timing.
constexpr int kStartLimitMs = 30000;
const QString kNoDrive = QStringLiteral("drivesmith: no drive answered. What was tried:\n");

TEST(ProgramStart, IgnoresQtOptionsAndExplainsAnEmptyDriveList) {
  if (QProcess::execute("unshare", {"-Urm", "true"}) != 0)
    GTEST_SKIP() << "no user and mount namespace here for a machine without drives";
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(environment);
  program.setReadChannel(QProcess::StandardError);
  // Taken by Qt, "-platform" would end the program at once (no such plugin).
  program.start("unshare", {"-Urm", "sh", "-c",
                            "mount -t tmpfs none /dev && mount -t tmpfs none /sys && "
                            "exec \"$0\" \"$@\"",
                            DRIVESMITH_PROGRAM, "-platform", "no-such-platform", "-reverse",
                            "-style", "no-such-style", "-qwindowgeometry", "1x1"});
  ASSERT_TRUE(program.waitForStarted(kStartLimitMs));

  QString errors;
  const QDeadlineTimer deadline(kStartLimitMs);
  while (!errors.contains(kNoDrive) && program.state() == QProcess::Running &&
         !deadline.hasExpired()) {
    program.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    errors += QString::fromLocal8Bit(program.readAllStandardError());
  }
  const bool running = program.state() == QProcess::Running;
  program.terminate();
  program.waitForFinished(kStartLimitMs);
  errors += QString::fromLocal8Bit(program.readAllStandardError());

  EXPECT_TRUE(running) << "the program ended: " << errors.toStdString();
  EXPECT_EQ(errors.count(kNoDrive), 1) << errors.toStdString();
  EXPECT_TRUE(errors.contains(kNoDrive +
                              "  512 nodes (/dev/sgN, /dev/srN) do not exist: no optical drive "
                              "is attached, or its driver (sr_mod, sg) is not loaded\n"))
      << errors.toStdString();
}

}  // namespace
