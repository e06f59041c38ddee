// The wizard's window on its own: dialog units, message boxes, text
// conversion, the progress bar, repaints and the clock.

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "platform/linux/QtClock.h"
#include "platform/linux/QtDialogUnits.h"
#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/QtText.h"
#include "tests/gui/WizardHarness.h"

using namespace drivesmith;
using namespace drivesmith::gui_test;

Q_DECLARE_METATYPE(drivesmith::MessageBoxKind)

namespace {

// Counts paint events that reach a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogUnitsRoundLikeMapDialogRect_data();
  void dialogUnitsRoundLikeMapDialogRect();
  void messageBoxes_data();
  void messageBoxes();
  void messageBoxAnswers();
  void textConversion();
  void progressBarClampsForDisplayOnly();
  void repaintIsSynchronous();
  void clockServesEventsWhileSleeping();
};

void WindowTest::dialogUnitsRoundLikeMapDialogRect_data() {
  QTest::addColumn<int>("baseWidth");
  QTest::addColumn<int>("baseHeight");
  QTest::addColumn<QRect>("units");
  QTest::addColumn<QRect>("pixels");
  QTest::newRow("dialog 7x14") << 7 << 14 << QRect(0, 0, 310, 188) << QRect(0, 0, 543, 329);
  QTest::newRow("close 7x14") << 7 << 14 << QRect(240, 162, 40, 19) << QRect(420, 284, 70, 33);
  QTest::newRow("one unit") << 7 << 14 << QRect(1, 1, 1, 1) << QRect(2, 2, 2, 2);
  QTest::newRow("dialog 6x15") << 6 << 15 << QRect(7, 91, 216, 58) << QRect(11, 171, 324, 109);
  QTest::newRow("dialog 5x13") << 5 << 13 << QRect(6, 46, 216, 162) << QRect(8, 75, 270, 263);
}

void WindowTest::dialogUnitsRoundLikeMapDialogRect() {
  QFETCH(int, baseWidth);
  QFETCH(int, baseHeight);
  QFETCH(QRect, units);
  QFETCH(QRect, pixels);
  const DialogUnits du(baseWidth, baseHeight);
  QCOMPARE(du.ToPixels(units.x(), units.y(), units.width(), units.height()), pixels);
}

void WindowTest::messageBoxes_data() {
  QTest::addColumn<MessageBoxKind>("kind");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("buttons");
  QTest::newRow("error OK") << MessageBoxKind::ErrorOk << static_cast<int>(QMessageBox::Critical)
                            << static_cast<int>(QMessageBox::Ok);
  QTest::newRow("exclamation OK") << MessageBoxKind::ExclamationOk
                                  << static_cast<int>(QMessageBox::Warning)
                                  << static_cast<int>(QMessageBox::Ok);
  QTest::newRow("exclamation Yes/No")
      << MessageBoxKind::ExclamationYesNo << static_cast<int>(QMessageBox::Warning)
      << static_cast<int>(QMessageBox::Yes | QMessageBox::No);
}

void WindowTest::messageBoxes() {
  QFETCH(MessageBoxKind, kind);
  QFETCH(int, icon);
  QFETCH(int, buttons);
  std::unique_ptr<QMessageBox> box(
      CreateMessageBox(nullptr, "You'll change FROM 1M to 2M.\r\nContinue?", "Warning!!", kind));
  QCOMPARE(box->text(), QStringLiteral("You'll change FROM 1M to 2M.\nContinue?"));
  QCOMPARE(box->windowTitle(), QStringLiteral("Warning!!"));
  QCOMPARE(static_cast<int>(box->icon()), icon);
  QCOMPARE(static_cast<int>(box->standardButtons()), buttons);
  QCOMPARE(box->textFormat(), Qt::PlainText);
  QCOMPARE(box->parentWidget(), nullptr);
}

void WindowTest::messageBoxAnswers() {
  {
    MessageBoxAnswerer answerer(QMessageBox::No);
    QCOMPARE(ShowQtMessageBox(nullptr, "q", "c", MessageBoxKind::ExclamationYesNo),
             MessageBoxAnswer::No);
  }
  {
    // Escape on the question answers No.
    QTimer::singleShot(0, [] {
      if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(ShowQtMessageBox(nullptr, "q", "c", MessageBoxKind::ExclamationYesNo),
             MessageBoxAnswer::No);
  }
}

void WindowTest::textConversion() {
  QCOMPARE(ToDisplayText(" Fail to update.\r\n\r\n *** NG ***"),
           QStringLiteral(" Fail to update.\n\n *** NG ***"));
  QCOMPARE(ToDisplayText(std::string("TAVIX\0ZWR", 9)), QStringLiteral("TAVIX"));
  QCOMPARE(ToDisplayText("caf\xE9"), QString::fromUtf8("caf\xC3\xA9"));
  QCOMPARE(FromDisplayText(QStringLiteral("a\nb\n")), std::string("a\r\nb\r\n"));
  QCOMPARE(FromDisplayText(QString::fromUtf8("caf\xC3\xA9")), std::string("caf\xE9"));
  const std::string phases = ">> Erasing Flash ROM \r\n    Transferring Writing Data \r\n";
  QCOMPARE(FromDisplayText(ToDisplayText(phases)), phases);
}

void WindowTest::progressBarClampsForDisplayOnly() {
  QtDialogView view;
  QProgressBar* bar = view.Window().ProgressBar();
  view.SetProgressRange(0, 1000);
  QCOMPARE(bar->minimum(), 0);
  QCOMPARE(bar->maximum(), 1000);
  view.SetProgressPosition(420);
  QCOMPARE(bar->value(), 420);
  view.SetProgressPosition(1500);
  QCOMPARE(bar->value(), 1000);
  view.SetProgressPosition(-7);
  QCOMPARE(bar->value(), 0);
  view.SetProgressPosition(2147483647);
  QCOMPARE(bar->value(), 1000);
}

void WindowTest::repaintIsSynchronous() {
  QtDialogView view;
  view.Window().show();
  QVERIFY(QTest::qWaitForWindowExposed(&view.Window()));
  PaintCounter counter;
  view.Window().StateArea()->viewport()->installEventFilter(&counter);
  view.Window().ProgressBar()->installEventFilter(&counter);
  view.SetControlText(ControlId::StateArea, " Push Start button and Start to update.");
  const int before = counter.paints;
  view.RepaintNow();
  QVERIFY2(counter.paints > before, "the controls were painted before RepaintNow returned");
  const int afterRepaint = counter.paints;
  view.SetProgressPosition(500);
  QVERIFY2(counter.paints > afterRepaint, "a progress position is painted at once");
  view.Window().hide();
}

void WindowTest::clockServesEventsWhileSleeping() {
  QtClock clock;
  bool fired = false;
  QTimer::singleShot(0, [&fired] { fired = true; });
  const auto start = clock.Now();
  clock.Sleep(std::chrono::milliseconds(5));
  QVERIFY2(fired, "timers and other non-input events are served during a sleep");
  QVERIFY(clock.Now() - start >= std::chrono::milliseconds(5));
  bool firedAgain = false;
  QTimer::singleShot(0, [&firedAgain] { firedAgain = true; });
  clock.Sleep(std::chrono::milliseconds(0));
  QVERIFY2(!firedAgain, "a sleep of no time returns at once");
  QCoreApplication::processEvents();
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
