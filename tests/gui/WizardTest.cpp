// The wizard's real window on the offscreen platform, driven by mouse and
// keyboard, on simulated drives.

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "platform/linux/QtLogoLabel.h"
#include "tests/gui/ExpectedTexts.h"
#include "tests/gui/WizardHarness.h"

using namespace drivesmith;
using namespace drivesmith::gui_test;

Q_DECLARE_METATYPE(drivesmith::sim::LoaderLayout)

namespace {

// A double click as the window system delivers it: press, release, a press
// that Qt reports as a double click, release.
void DoubleClick(QtDialogWindow& window, QWidget* widget) {
  const QPoint centre = widget->mapTo(&window, widget->rect().center());
  QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
}

bool IsTwoMegabyte(sim::LoaderLayout layout) { return layout == sim::LoaderLayout::TwoMegabyte; }

// Every control's text and state in a state outside an update.
void VerifyFixedState(QtDialogWindow& window, const QString& stateText, const QString& nextLabel,
                      bool nextEnabled, const QString& closeLabel, bool backEnabled) {
  QCOMPARE(window.windowTitle(), kExpectedCaption);
  QCOMPARE(window.Title()->toPlainText(), kTitleText);
  QCOMPARE(window.VersionLabel()->text(), kExpectedVersionText);
  QCOMPARE(window.StateArea()->toPlainText(), stateText);
  QCOMPARE(window.NextStartButton()->text(), nextLabel);
  QCOMPARE(window.NextStartButton()->isEnabled(), nextEnabled);
  QCOMPARE(window.CloseButton()->text(), closeLabel);
  QVERIFY(window.CloseButton()->isEnabled());
  QCOMPARE(window.BackButton()->text(), QStringLiteral("< Back"));
  QCOMPARE(window.BackButton()->isEnabled(), backEnabled);
  QCOMPARE(window.UpdateLoader()->text(), QStringLiteral("Update Loader"));
  const auto label = [&window](ControlId id) {
    return qobject_cast<QLabel*>(window.Control(id))->text();
  };
  QCOMPARE(label(ControlId::TargetDriveLabel), QStringLiteral("Target Drive"));
  QCOMPARE(label(ControlId::ProgressLabel), QStringLiteral("Progress"));
  QCOMPARE(label(ControlId::InformationLabel), QStringLiteral("Information: "));
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeWizard_data();
  void wholeWizard();
  void rebootAfterSuccessRequestsRestartAndKeepsDialog();
  void closeBeforeUpdateEndsProgram();
  void logoRevealsCheckBoxOnSixthSingleClick();
  void backUnchecksRevealedBox();
  void layoutQuestion_data();
  void layoutQuestion();
  void failureStates_data();
  void failureStates();
  void inputDuringUpdateHasNoEffect();
  void queuedInputAfterUpdateIsDropped();
};

void WizardTest::wholeWizard_data() {
  QTest::addColumn<sim::LoaderLayout>("layout");
  QTest::newRow("two-megabyte") << sim::LoaderLayout::TwoMegabyte;
  QTest::newRow("one-megabyte") << sim::LoaderLayout::OneMegabyte;
}

void WizardTest::wholeWizard() {
  QFETCH(sim::LoaderLayout, layout);
  const bool twoMegabyte = IsTwoMegabyte(layout);
  WizardHarness harness({twoMegabyte ? TwoMegabyteDrive() : OneMegabyteDrive()},
                        twoMegabyte ? 2 : 1);
  harness.SetScreenshotPrefix(twoMegabyte ? QStringLiteral("wizard-2m")
                                          : QStringLiteral("wizard-1m"));
  QtDialogWindow& window = harness.Window();

  const DialogResult result = harness.Run([&] {
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // State 0: the drive is listed and selected, the image described.
    VerifyFixedState(window, kState0, QStringLiteral("Next >"), true, QStringLiteral("Close"),
                     false);
    QCOMPARE(window.DriveList()->count(), 1);
    QCOMPARE(window.DriveList()->currentIndex(), 0);
    QVERIFY(window.DriveList()->currentText().startsWith(QStringLiteral("cdrom0")));
    QCOMPARE(window.Information()->text().size(), 30);
    QVERIFY(!window.UpdateLoader()->isVisible());
    QCOMPARE(window.ProgressBar()->value(), 0);
    QCOMPARE(window.focusWidget(), window.CloseButton());
    SaveScreenshot(window, QStringLiteral("wizard-%1m-state-00").arg(twoMegabyte ? 2 : 1));

    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 1);
    VerifyFixedState(window, kState1, QStringLiteral("Start"), true, QStringLiteral("Close"), true);

    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 11);
    VerifyFixedState(window, kState11, QStringLiteral("Next >"), false, QStringLiteral("Reboot"),
                     false);
    QCOMPARE(window.ProgressBar()->value(), 1000);

    // Escape after a success ends the program without a restart.
    PressKey(window, Qt::Key_Escape);
  });

  QVERIFY(!harness.EndedByHarness());
  QCOMPARE(result, DialogResult::Cancel);
  QCOMPARE(harness.Power().Restarts(), 0);
  QCOMPARE(harness.Power().Held(), 0);
  QVERIFY(harness.Drive(0).Work() == sim::WorkState::Finished);

  // During the phases: the marker on the state's line, every button disabled.
  int phaseStates = 0;
  for (const WindowSnapshot& snapshot : harness.Snapshots()) {
    if (snapshot.state < 2 || snapshot.state > 10) continue;
    ++phaseStates;
    QCOMPARE(snapshot.stateText, PhaseText(snapshot.state, twoMegabyte));
    QVERIFY2(MarkedLine(snapshot.state, twoMegabyte) != 0, "a state the layout never shows");
    QVERIFY(!snapshot.nextStartEnabled);
    QVERIFY(!snapshot.closeEnabled);
    QVERIFY(!snapshot.backEnabled);
    QCOMPARE(snapshot.nextStartText, QStringLiteral("Start"));
  }
  QVERIFY(phaseStates >= 4);
  const std::vector<int> shown =
      twoMegabyte ? std::vector<int>{2, 3, 5, 6, 7, 8} : std::vector<int>{2, 5, 6, 7, 10};
  for (const int state : shown) {
    QVERIFY2(harness.FirstSnapshots().count(state) == 1,
             qPrintable(QStringLiteral("state %1 was never shown").arg(state)));
  }
  // The bar moves forward during the transfer.
  int highest = 0;
  for (const WindowSnapshot& snapshot : harness.Snapshots())
    highest = std::max(highest, snapshot.progress);
  QCOMPARE(highest, 1000);
}

void WizardTest::rebootAfterSuccessRequestsRestartAndKeepsDialog() {
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  const DialogResult result = harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 11);
    Click(window.CloseButton());
    QCOMPARE(harness.Power().Restarts(), 1);
    QVERIFY2(window.isVisible(), "the dialog stays open until the system restarts");
    Click(window.CloseButton());
    QCOMPARE(harness.Power().Restarts(), 2);
    // The close box after a success takes the cancel path: no restart.
    window.close();
  });
  QVERIFY(!harness.EndedByHarness());
  QCOMPARE(result, DialogResult::Cancel);
  QCOMPARE(harness.Power().Restarts(), 2);
}

void WizardTest::closeBeforeUpdateEndsProgram() {
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  const DialogResult result = harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.CloseButton());
  });
  QVERIFY(!harness.EndedByHarness());
  QCOMPARE(result, DialogResult::Ok);
  QCOMPARE(harness.Power().Restarts(), 0);
  QVERIFY(!harness.Drive(0).InUpMode());
}

void WizardTest::logoRevealsCheckBoxOnSixthSingleClick() {
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  harness.Run([&] {
    QWidget* logo = window.Logo();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // A double click is one click: its second press does not count.
    for (int i = 0; i < 5; ++i) {
      DoubleClick(window, logo);
    }
    QCOMPARE(harness.Dialog().State().LogoClickCount, 5);
    QVERIFY2(!window.UpdateLoader()->isVisible(), "five clicks leave the box hidden");
    Click(logo);
    QVERIFY2(window.UpdateLoader()->isVisible(), "the sixth click shows it");
    SaveScreenshot(window, QStringLiteral("wizard-update-loader-revealed"));
    for (int i = 0; i < 5; ++i) Click(logo);
    QVERIFY(window.UpdateLoader()->isVisible());
    QCOMPARE(harness.Dialog().State().LoaderOptionShown, 1);
    // The right button is no click.
    QTest::mouseClick(logo, Qt::RightButton, Qt::NoModifier, logo->rect().center());
    QCOMPARE(harness.Dialog().State().LogoClickCount, 1);
  });
}

void WizardTest::backUnchecksRevealedBox() {
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  harness.Run([&] {
    for (int i = 0; i < 6; ++i) Click(window.Logo());
    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 1);
    Click(window.UpdateLoader());
    QVERIFY(window.UpdateLoader()->isChecked());
    Click(window.BackButton());
    QCOMPARE(harness.State(), 0);
    QVERIFY(!window.UpdateLoader()->isChecked());
    QVERIFY(window.UpdateLoader()->isVisible());
    VerifyFixedState(window, kState0, QStringLiteral("Next >"), true, QStringLiteral("Close"),
                     false);
  });
}

void WizardTest::layoutQuestion_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<int>("expectedState");
  QTest::newRow("yes") << static_cast<int>(QMessageBox::Yes) << 11;
  QTest::newRow("no") << static_cast<int>(QMessageBox::No) << 0;
}

void WizardTest::layoutQuestion() {
  QFETCH(int, answer);
  QFETCH(int, expectedState);
  // A drive of the one-megabyte layout and an image of the two-megabyte one.
  WizardHarness harness({OneMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  MessageBoxAnswerer answerer(answer);
  harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.NextStartButton());
  });
  QCOMPARE(harness.State(), expectedState);
  QCOMPARE(answerer.Seen().size(), std::size_t{1});
  const SeenMessageBox& box = answerer.Seen().front();
  QCOMPARE(box.text, QStringLiteral("You'll change FROM 1M to 2M.\nContinue?"));
  QCOMPARE(box.caption, QStringLiteral("Warning!!"));
  QCOMPARE(box.icon, static_cast<int>(QMessageBox::Warning));
  QCOMPARE(box.buttons, static_cast<int>(QMessageBox::Yes | QMessageBox::No));
  QCOMPARE(box.parent, static_cast<QWidget*>(&window));
  if (expectedState == 0) {
    QCOMPARE(harness.Snapshots().back().stateText, kState0);
    QVERIFY2(harness.Snapshots().back().nextStartEnabled,
             "a declined question leaves Next > usable");
  } else {
    QVERIFY(harness.Drive(0).LoaderUpdateRequested());
  }
}

void WizardTest::failureStates_data() {
  QTest::addColumn<bool>("wrongSum");
  QTest::addColumn<unsigned>("imageSizeMiB");
  QTest::addColumn<QString>("typeCode");
  QTest::addColumn<int>("state");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("nextEnabled");
  QTest::addColumn<bool>("leaveByBack");
  // A wrong sum fails the update; then Back leads to state 0 with Next > disabled.
  QTest::newRow("12 failed") << true << 2u << "M7EH00" << 12 << kState12 << false << true;
  QTest::newRow("13 type code") << false << 2u << "X7EH00" << 13 << kState13 << true << false;
  // A drive of the two-megabyte layout cannot take a one-megabyte image.
  QTest::newRow("14 up mode") << false << 1u << "M7EH00" << 14 << kState14 << true << true;
}

void WizardTest::failureStates() {
  QFETCH(bool, wrongSum);
  QFETCH(unsigned, imageSizeMiB);
  QFETCH(QString, typeCode);
  QFETCH(int, state);
  QFETCH(QString, text);
  QFETCH(bool, nextEnabled);
  QFETCH(bool, leaveByBack);
  sim::DriveModel drive = TwoMegabyteDrive();
  drive.faults.reportWrongSum = wrongSum;
  WizardHarness harness({drive}, imageSizeMiB, typeCode.toStdString());
  harness.SetScreenshotPrefix(QStringLiteral("wizard-failure-%1").arg(state));
  QtDialogWindow& window = harness.Window();
  harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.NextStartButton());
    QCOMPARE(harness.State(), state);
    VerifyFixedState(window, text, QStringLiteral("Next >"), nextEnabled, QStringLiteral("Close"),
                     true);
    Click(leaveByBack ? window.BackButton() : window.NextStartButton());
    QCOMPARE(harness.State(), 0);
    VerifyFixedState(window, kState0, QStringLiteral("Next >"), nextEnabled,
                     QStringLiteral("Close"), false);
    Click(window.CloseButton());
  });
  QVERIFY(!harness.EndedByHarness());
  QCOMPARE(harness.Power().Restarts(), 0);
}

void WizardTest::inputDuringUpdateHasNoEffect() {
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  int attempts = 0;
  harness.DuringUpdate([&] {
    if (attempts++ != 0) return;
    // Everything the user might do while the flash is rewritten.
    PressKey(window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Return);
    for (int i = 0; i < 6; ++i) Click(window.Logo());
    Click(window.CloseButton());
    Click(window.BackButton());
    window.close();
  });
  // The engine's waits serve the event loop, so a close request from the
  // window manager can come in any of them, the pause after the switch to Up
  // Mode included, before the update proper has begun.
  int closesInWaits = 0;
  harness.DuringSleep([&] {
    ++closesInWaits;
    window.close();
  });
  const DialogResult result = harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 11);
    QVERIFY2(window.isVisible(), "nothing ended the dialog during the update");
    QVERIFY(!window.UpdateLoader()->isVisible());
    QCOMPARE(harness.Dialog().State().LogoClickCount, 0);
    QCOMPARE(harness.Power().Restarts(), 0);
  });
  QVERIFY(attempts > 0);
  QVERIFY(closesInWaits > 1);
  QVERIFY(harness.EndedByHarness());
  QCOMPARE(result, DialogResult::Cancel);
}

void WizardTest::queuedInputAfterUpdateIsDropped() {
  // Input that the window system held back during the update arrives once
  // the update is over; it must not act then either.
  WizardHarness harness({TwoMegabyteDrive()}, 2);
  QtDialogWindow& window = harness.Window();
  bool posted = false;
  harness.DuringUpdate([&] {
    if (posted) return;
    posted = true;
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QWidget* logo = window.Logo();
    const QPointF centre = QRectF(logo->rect()).center();
    for (int i = 0; i < 6; ++i) {
      QCoreApplication::postEvent(
          logo, new QMouseEvent(QEvent::MouseButtonPress, centre, logo->mapToGlobal(centre),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
      QCoreApplication::postEvent(
          logo, new QMouseEvent(QEvent::MouseButtonRelease, centre, logo->mapToGlobal(centre),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    QCoreApplication::postEvent(&window, new QCloseEvent);
  });
  harness.Run([&] {
    Click(window.NextStartButton());
    Click(window.NextStartButton());
    QCOMPARE(harness.State(), 11);
    QCoreApplication::processEvents();
    QVERIFY(window.isVisible());
    QVERIFY(!window.UpdateLoader()->isVisible());
    QCOMPARE(harness.Dialog().State().LogoClickCount, 0);
  });
  QVERIFY(posted);
  QVERIFY(harness.EndedByHarness());
}

QTEST_MAIN(WizardTest)
#include "WizardTest.moc"
