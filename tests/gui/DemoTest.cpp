// The demo's parts: its command line, its scaled clock, its report of the
// wizard and its command trace.

#include <QTest>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "headless/RecordingDialogView.h"
#include "programs/drivesmith-demo/DemoOptions.h"
#include "programs/drivesmith-demo/ReportingDialogView.h"
#include "programs/drivesmith-demo/ScaledClock.h"
#include "programs/drivesmith-demo/TraceWriter.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"

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

std::vector<std::uint8_t> InquiryBlock() { return {0x12, 0, 0, 0, 36, 0}; }

}  // namespace

class DemoTest : public QObject {
  Q_OBJECT

 private slots:
  void goodArguments_data();
  void goodArguments();
  void badArguments_data();
  void badArguments();
  void faultsReachTheDriveModel();
  void scaledClock();
  void reportPrintsStatesProgressAndBoxes();
  void traceMergesDrivesInArrivalOrder();
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
  QTest::newRow("three drives") << "--drive 1m --drive 2m --drive 2M" << 3 << false << 1.0 << false << -1;
  QTest::newRow("automatic") << "--auto --time-scale 0.001 --select 1" << 2 << true << 0.001 << true << 1;
  QTest::newRow("trace and transport") << "--trace out.txt --transport aspi" << 2 << true << 1.0 << false << -1;
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
  QTest::newRow("negative scale") << "--time-scale -1";
  QTest::newRow("scale not a number") << "--time-scale fast";
  QTest::newRow("infinite scale") << "--time-scale inf";
  QTest::newRow("unknown fault") << "--fault melt";
  QTest::newRow("transport") << "--transport usb";
  QTest::newRow("negative select") << "--select -1";
  QTest::newRow("nine drives") << "--drive 1m --drive 1m --drive 1m --drive 1m --drive 1m --drive 1m "
                                  "--drive 1m --drive 1m --drive 1m";
}

void DemoTest::badArguments() {
  QFETCH(QString, arguments);
  DemoOptions options;
  std::string error;
  QVERIFY(!ParseDemoOptions(Split(arguments), options, error));
  QVERIFY(!error.empty());
}

void DemoTest::faultsReachTheDriveModel() {
  DemoOptions options;
  std::string error;
  QVERIFY(ParseDemoOptions(Split(QStringLiteral("--fault refuse-12-byte --fault wrong-sum --fault "
                                                "stop-responding --fault never-finish --fault "
                                                "work-error --fault medium-not-present")),
                           options, error));
  const sim::DriveModel model = DemoDriveModel(sim::LoaderLayout::OneMegabyte, options.faults, 3);
  QCOMPARE(model.layout, sim::LoaderLayout::OneMegabyte);
  QVERIFY(model.faults.refuse12ByteTransfer);
  QVERIFY(model.faults.reportWrongSum);
  QVERIFY(model.faults.stopRespondingAfter.has_value());
  QVERIFY(model.faults.neverFinish);
  QVERIFY(model.faults.workErrorAsc.has_value());
  QVERIFY(!model.faults.mediumNotPresentBeforeBlock.empty());
  const sim::DriveModel plain = DemoDriveModel(sim::LoaderLayout::TwoMegabyte, {}, 0);
  QVERIFY(!plain.faults.refuse12ByteTransfer && !plain.faults.neverFinish);
  QVERIFY(plain.initialFlashSeed != model.initialFlashSeed);
}

void DemoTest::scaledClock() {
  sim::SimulatedClock sleeper;
  ScaledClock clock(sleeper, 0.01);
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(580)), std::chrono::milliseconds(6));
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(3000)), std::chrono::milliseconds(30));
  // A pause never shrinks to nothing, so time always moves on.
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(1)), std::chrono::milliseconds(1));
  QCOMPARE(clock.RealDuration(std::chrono::milliseconds(0)), std::chrono::milliseconds(0));
  clock.Sleep(std::chrono::milliseconds(200));
  clock.Sleep(std::chrono::milliseconds(0));
  QCOMPARE(sleeper.TotalSlept(), std::chrono::milliseconds(2));
  QCOMPARE(sleeper.SleepCount(), 1);

  ScaledClock realTime(sleeper, 1.0);
  QCOMPARE(realTime.RealDuration(std::chrono::milliseconds(580)), std::chrono::milliseconds(580));
  const auto first = clock.Now();
  QVERIFY(clock.Now() >= first);
}

void DemoTest::reportPrintsStatesProgressAndBoxes() {
  RecordingDialogView window;
  std::ostringstream out;
  ReportingDialogView view(window, out);
  view.SetProgressRange(0, 1000);
  view.SetControlText(ControlId::StateArea, "");
  view.SetControlText(ControlId::StateArea, " Push Start button and Start to update.");
  view.SetControlText(ControlId::StateArea, " Push Start button and Start to update.");
  for (int position = 0; position <= 1000; position += 10) view.SetProgressPosition(position);
  view.SetProgressPosition(1200);
  window.ScriptAnswers({MessageBoxAnswer::No});
  QCOMPARE(view.ShowMessageBox("You'll change FROM 1M to 2M.\r\nContinue?", "Warning!!",
                               MessageBoxKind::ExclamationYesNo),
           MessageBoxAnswer::No);

  // Everything reaches the window as well.
  QCOMPARE(window.Control(ControlId::StateArea).text, std::string(" Push Start button and Start to update."));
  QCOMPARE(window.ProgressPositions().size(), std::size_t{102});

  const QString text = QString::fromStdString(out.str());
  QCOMPARE(text.count(QStringLiteral("state:")), 1);
  QVERIFY(text.contains(QStringLiteral("  |  Push Start button and Start to update.\n")));
  QVERIFY(text.contains(QStringLiteral("progress: 0/1000\n")));
  QVERIFY(text.contains(QStringLiteral("progress: 500/1000\n")));
  QVERIFY(text.contains(QStringLiteral("progress: 1000/1000\n")));
  QVERIFY(text.contains(QStringLiteral("progress: 1200/1000\n")));
  QVERIFY(!text.contains(QStringLiteral("progress: 10/1000")));
  QVERIFY(text.contains(QStringLiteral("message box \"Warning!!\":\n  | You'll change FROM 1M to 2M.\n  | Continue?\n  answered No")));
  QCOMPARE(IndentLines("a\r\n\r\nb", "> "), std::string("> a\n> \n> b\n"));
}

void DemoTest::traceMergesDrivesInArrivalOrder() {
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  const std::string path = folder.filePath(QStringLiteral("trace.txt")).toStdString();
  sim::SimulatedClock clock;
  sim::SimulatedDrive first(sim::DriveModel{}, clock);
  sim::SimulatedDrive second(sim::DriveModel{}, clock);
  std::vector<std::uint8_t> data(36);
  const auto inquiry = InquiryBlock();
  first.Execute(inquiry, sim::DataDirection::In, data);  // before watching: not written
  TraceWriter trace(path);
  QVERIFY(trace.Ok());
  trace.Watch(first);
  trace.Watch(second);
  clock.Advance(std::chrono::milliseconds(10));
  second.Execute(inquiry, sim::DataDirection::In, data);
  first.Execute(inquiry, sim::DataDirection::In, data);
  clock.Advance(std::chrono::milliseconds(10));
  first.Execute(inquiry, sim::DataDirection::In, data);
  trace.Flush();
  trace.Flush();

  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  QCOMPARE(lines.size(), std::size_t{3});
  for (const std::string& line : lines) {
    QVERIFY2(QString::fromStdString(line).startsWith(QStringLiteral("12 00 00 00 24 00 in 36 ")), line.c_str());
  }
  // Ordered by arrival time; commands flushed together at the same time go
  // by the order the drives were watched in, which is the order of discovery.
  QVERIFY(QString::fromStdString(lines[0]).endsWith(QStringLiteral("t=10ms")));
  QVERIFY(QString::fromStdString(lines[2]).endsWith(QStringLiteral("t=20ms")));
}

QTEST_MAIN(DemoTest)
#include "DemoTest.moc"
