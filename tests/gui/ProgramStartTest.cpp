// The real program as a user starts it from a terminal: it takes no options,
// Qt's own included, and on a machine where no drive answers it says on
// standard error, once, why.

#include <gtest/gtest.h>

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QProcess>

namespace {

// Bound for the program to come up; no check depends on timing.
constexpr int kStartLimitMs = 30000;
const QString kNoDrive = QStringLiteral("drivesmith: no drive answered. What was tried:\n");

// Whether this machine has optical drive nodes, which may answer.
bool HasDriveNodes() { return !QDir("/dev").entryList({"sg*", "sr*"}, QDir::System).isEmpty(); }

TEST(ProgramStart, IgnoresQtOptionsAndExplainsAnEmptyDriveList) {
  if (HasDriveNodes()) GTEST_SKIP() << "this machine has drive nodes; the list may not be empty";
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(environment);
  program.setReadChannel(QProcess::StandardError);
  // Taken by Qt, "-platform" would end the program at once (no such plugin).
  program.start(DRIVESMITH_PROGRAM, {"-platform", "no-such-platform", "-reverse", "-style",
                                     "no-such-style", "-qwindowgeometry", "1x1"});
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
  EXPECT_TRUE(errors.contains("do not exist")) << errors.toStdString();
}

}  // namespace
