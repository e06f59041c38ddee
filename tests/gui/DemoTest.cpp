// The demo's parts: its command line and its scaled clock. The program as a
// whole runs in the demo_* tests.

#include <QTest>

#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/ScaledClock.h"
#include "simulator/SimulatedClock.h"

using namespace drivesmith;
using namespace drivesmith::demo;

namespace {

std::vector<std::string> Split(const QString& line) {
  std::vector<std::string> words;
  for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    words.push_back(word.toStdString());
  }
  return words;
}

}  // namespace

class DemoTest : public QObject {
  Q_OBJECT

 private slots:
  void goodArguments_data();
  void goodArguments();
  void badArguments_data();
  void badArguments();
  void scaledClock();
};

void DemoTest::goodArguments_data() {
  QTest::addColumn<QString>("arguments");
  QTest::addColumn<int>("drives");
  QTest::addColumn<bool>("firstIsTwoMegabyte");
  QTest::addColumn<double>("timeScale");
  QTest::addColumn<bool>("autoRun");
  QTest::addColumn<int>("select");
  QTest::newRow("defaults") << QString() << 2 << true << 1.0 << false << -1;
  QTest::newRow("one 1m drive") << "--drive 1m" << 1 << false << 1.0 << false << -1;
  QTest::newRow("three drives") << "--drive 1m --drive 2m --drive 2M" << 3 << false << 1.0 << false
                                << -1;
  QTest::newRow("automatic") << "--auto --time-scale 0.001 --select 1" << 2 << true << 0.001 << true
                             << 1;
  QTest::newRow("trace and transport")
      << "--trace out.txt --transport aspi" << 2 << true << 1.0 << false << -1;
}

void DemoTest::goodArguments() {
  QFETCH(QString, arguments);
  QFETCH(int, drives);
  QFETCH(bool, firstIsTwoMegabyte);
  QFETCH(double, timeScale);
  QFETCH(bool, autoRun);
  QFETCH(int, select);
  DemoOptions options;
  std::string error;
  QVERIFY2(ParseDemoOptions(Split(arguments), options, error), error.c_str());
  QCOMPARE(static_cast<int>(options.drives.size()), drives);
  QCOMPARE(options.drives.front() == sim::LoaderLayout::TwoMegabyte, firstIsTwoMegabyte);
  QCOMPARE(options.timeScale, timeScale);
  QCOMPARE(options.autoRun, autoRun);
  QCOMPARE(options.select.value_or(-1), select);
}

void DemoTest::badArguments_data() {
  QTest::addColumn<QString>("arguments");
  QTest::newRow("unknown option") << "--fast";
  QTest::newRow("drive size") << "--drive 4m";
  QTest::newRow("missing value") << "--drive";
  QTest::newRow("zero scale") << "--time-scale 0";
  QTest::newRow("infinite scale") << "--time-scale inf";
  QTest::newRow("unknown fault") << "--fault melt";
  QTest::newRow("transport") << "--transport usb";
  QTest::newRow("negative select") << "--select -1";
  QTest::newRow("nine drives")
      << "--drive 1m --drive 1m --drive 1m --drive 1m --drive 1m --drive 1m "
         "--drive 1m --drive 1m --drive 1m";
}

void DemoTest::badArguments() {
  QFETCH(QString, arguments);
  DemoOptions options;
  std::string error;
  QVERIFY(!ParseDemoOptions(Split(arguments), options, error));
  QVERIFY(!error.empty());
}

void DemoTest::scaledClock() {
  sim::SimulatedClock sleeper;
  ScaledClock clock(sleeper, 0.01);
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(580)), std::chrono::milliseconds(6));
  // A pause never shrinks to nothing, so time always moves on.
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(1)), std::chrono::milliseconds(1));
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(0)), std::chrono::milliseconds(0));
  clock.Sleep(std::chrono::milliseconds(200));
  clock.Sleep(std::chrono::milliseconds(0));
  QCOMPARE(sleeper.TotalSlept(), std::chrono::milliseconds(2));
  QCOMPARE(sleeper.SleepCount(), 1);
}

QTEST_MAIN(DemoTest)
#include "DemoTest.moc"
