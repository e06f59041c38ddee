// The wizard's window on its own: layout in dialog units, controls, tab
// order, message boxes, text conversion, the view's operations and the clock.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <memory>

#include "platform/linux/QtArtwork.h"
#include "platform/linux/QtClock.h"
#include "platform/linux/QtDialogUnits.h"
#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtDialogWindow.h"
#include "platform/linux/QtLogoLabel.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/QtText.h"
#include "tests/gui/WizardHarness.h"

using namespace drivesmith;
using namespace drivesmith::gui_test;

Q_DECLARE_METATYPE(drivesmith::ControlId)
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
  void dialogFontIsMetricCompatible();
  void windowIsFixedWithCloseBoxOnly();
  void controlGeometry_data();
  void controlGeometry();
  void controlKindsAndStyles();
  void tabOrderFollowsTemplate();
  void pictures();
  void messageBoxes_data();
  void messageBoxes();
  void messageBoxAnswers();
  void textConversion();
  void progressBarClampsForDisplayOnly();
  void listOperations();
  void controlTextRoundTrip();
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

void WindowTest::dialogFontIsMetricCompatible() {
  const QFont font = DialogFont();
  QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
  QCOMPARE(font.pointSize(), 9);
  const QFontMetrics metrics(font);
  const DialogUnits units = DialogUnits::FromFont(font);
  const int sample = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  QCOMPARE(units.BaseWidth(), (sample + 26) / 52);
  QCOMPARE(units.BaseHeight(), metrics.height());
}

void WindowTest::windowIsFixedWithCloseBoxOnly() {
  QtDialogWindow window;
  const DialogUnits& units = window.Units();
  const QSize client = units.ToPixels(QSize(310, 188));
  QCOMPARE(window.size(), client);
  QCOMPARE(window.minimumSize(), client);
  QCOMPARE(window.maximumSize(), client);
  const Qt::WindowFlags flags = window.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowTitleHint));
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
  QCOMPARE(window.windowTitle(), QStringLiteral("Tavix Drivesmith Ver. 10.0"));
  QVERIFY(!window.windowIcon().isNull());
  QVERIFY(window.CloseButton()->isDefault());
}

void WindowTest::controlGeometry_data() {
  QTest::addColumn<ControlId>("id");
  QTest::addColumn<QRect>("units");
  QTest::newRow("1032 Close") << ControlId::Close << QRect(240, 162, 40, 19);
  QTest::newRow("1003 Start") << ControlId::NextStart << QRect(240, 106, 40, 18);
  QTest::newRow("1022 Back") << ControlId::Back << QRect(240, 133, 40, 19);
  QTest::newRow("1011 Target Drive") << ControlId::TargetDriveLabel << QRect(7, 32, 61, 8);
  QTest::newRow("1006 state area") << ControlId::StateArea << QRect(7, 91, 216, 58);
  QTest::newRow("1007 progress") << ControlId::ProgressBar << QRect(7, 167, 216, 9);
  QTest::newRow("1014 Progress") << ControlId::ProgressLabel << QRect(7, 154, 41, 8);
  QTest::newRow("1013 Information") << ControlId::InformationLabel << QRect(7, 70, 41, 10);
  QTest::newRow("1018 information") << ControlId::Information << QRect(54, 68, 122, 12);
  QTest::newRow("1021 Update Loader") << ControlId::UpdateLoader << QRect(241, 84, 58, 10);
  QTest::newRow("1026 title") << ControlId::Title << QRect(6, 6, 216, 19);
  QTest::newRow("1027 logo") << ControlId::Logo << QRect(240, 31, 63, 29);
}

void WindowTest::controlGeometry() {
  QFETCH(ControlId, id);
  QFETCH(QRect, units);
  QtDialogWindow window;
  QWidget* control = window.Control(id);
  QVERIFY(control != nullptr);
  QCOMPARE(control->objectName(), QStringLiteral("control%1").arg(static_cast<int>(id)));
  QCOMPARE(control->geometry(),
           window.Units().ToPixels(units.x(), units.y(), units.width(), units.height()));
}

void WindowTest::controlKindsAndStyles() {
  QtDialogWindow window;
  const DialogUnits& units = window.Units();

  // The drop-down list: the closed box at its place and width, the opened
  // list within the template's height.
  QComboBox* list = window.DriveList();
  QVERIFY(!list->isEditable());
  QCOMPARE(list->geometry().topLeft(), units.ToPixels(6, 46, 216, 162).topLeft());
  QCOMPARE(list->width(), units.ToPixelsX(216));
  QVERIFY(list->maxVisibleItems() >= 5);
  QVERIFY(list->height() + list->maxVisibleItems() * list->fontMetrics().height() <=
          units.ToPixelsY(162));

  // The version line: centred, sunken, its text with two blanks.
  QLabel* version = window.VersionLabel();
  QCOMPARE(version->text(), QStringLiteral("2004  Ver 10.0"));
  QVERIFY(version->alignment().testFlag(Qt::AlignHCenter));
  QCOMPARE(version->frameShadow(), QFrame::Sunken);
  QCOMPARE(version->geometry(), units.ToPixels(240, 8, 63, 17));

  QLabel* information = qobject_cast<QLabel*>(window.Control(ControlId::Information));
  QCOMPARE(information->alignment(), Qt::AlignCenter);
  QCOMPARE(information->frameShadow(), QFrame::Sunken);
  QCOMPARE(information->textFormat(), Qt::PlainText);

  QPlainTextEdit* state = window.StateArea();
  QVERIFY(state->isReadOnly());
  QCOMPARE(state->lineWrapMode(), QPlainTextEdit::NoWrap);
  QCOMPARE(state->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

  QTextEdit* title = window.Title();
  QVERIFY(title->isReadOnly());
  QCOMPARE(title->lineWrapMode(), QTextEdit::WidgetWidth);
  QVERIFY(title->document()->defaultTextOption().alignment().testFlag(Qt::AlignHCenter));
  QCOMPARE(title->frameShadow(), QFrame::Sunken);
  QCOMPARE(title->lineWidth(), 1);

  QProgressBar* bar = window.ProgressBar();
  QVERIFY(!bar->isTextVisible());

  QCheckBox* box = window.UpdateLoader();
  QCOMPARE(box->text(), QStringLiteral("Update Loader"));
  QVERIFY(!box->isTristate());

  QCOMPARE(window.Logo()->frameShadow(), QFrame::Sunken);
  QCOMPARE(window.NextStartButton()->text(), QStringLiteral("Start"));
  QCOMPARE(window.BackButton()->text(), QStringLiteral("< Back"));
  QCOMPARE(window.CloseButton()->text(), QStringLiteral("Close"));
  QCOMPARE(qobject_cast<QLabel*>(window.Control(ControlId::InformationLabel))->text(),
           QStringLiteral("Information: "));
}

void WindowTest::tabOrderFollowsTemplate() {
  QtDialogWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  // The tab stops in the template's order; labels, the bar and the picture
  // take no focus.
  const std::vector<QWidget*> expected = {
      window.CloseButton(), window.NextStartButton(), window.BackButton(), window.DriveList(),
      window.StateArea(),   window.UpdateLoader(),    window.Title()};
  std::vector<QWidget*> chain;
  QWidget* widget = window.CloseButton();
  for (int guard = 0; guard < 100; ++guard) {
    if (widget->focusPolicy() & Qt::TabFocus) {
      if (!chain.empty() && widget == chain.front()) break;
      chain.push_back(widget);
    }
    widget = widget->nextInFocusChain();
  }
  QCOMPARE(chain.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QCOMPARE(chain[i]->objectName(), expected[i]->objectName());
  }
  for (const ControlId id : {ControlId::TargetDriveLabel, ControlId::ProgressLabel,
                             ControlId::InformationLabel, ControlId::Information,
                             ControlId::ProgressBar, ControlId::Logo}) {
    QCOMPARE(window.Control(id)->focusPolicy(), Qt::NoFocus);
  }
}

void WindowTest::pictures() {
  const QImage logo = DrawLogo();
  QCOMPARE(logo.size(), QSize(111, 55));
  QCOMPARE(logo.format(), QImage::Format_RGB888);
  const QIcon icon = ApplicationIcon();
  const QList<QSize> sizes = icon.availableSizes();
  QVERIFY(sizes.contains(QSize(32, 32)));
  QVERIFY(sizes.contains(QSize(16, 16)));
  QtDialogWindow window;
  QVERIFY(!window.Logo()->pixmap().isNull());
  QVERIFY(window.Logo()->contentsRect().contains(QRect(QPoint(0, 0), window.Logo()->pixmap().size())
                                                      .translated(window.Logo()->contentsRect().topLeft())));
  QDir().mkpath(QStringLiteral(DRIVESMITH_TEST_ARTIFACTS_DIR));
  logo.save(QStringLiteral(DRIVESMITH_TEST_ARTIFACTS_DIR) + QStringLiteral("/logo.png"));
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
  QTest::newRow("exclamation Yes/No") << MessageBoxKind::ExclamationYesNo
                                      << static_cast<int>(QMessageBox::Warning)
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
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    QCOMPARE(ShowQtMessageBox(nullptr, "q", "c", MessageBoxKind::ExclamationYesNo),
             MessageBoxAnswer::Yes);
  }
  {
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    QCOMPARE(ShowQtMessageBox(nullptr, "Not found 'ASPI32.DLL'", "Tavix Drivesmith ver 1.0.1.0",
                              MessageBoxKind::ErrorOk),
             MessageBoxAnswer::Ok);
    QCOMPARE(answerer.Seen().front().caption, QStringLiteral("Tavix Drivesmith ver 1.0.1.0"));
    QCOMPARE(answerer.Seen().front().text, QStringLiteral("Not found 'ASPI32.DLL'"));
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
  view.SetProgressPosition(1000);
  QCOMPARE(bar->value(), 1000);
  view.SetProgressPosition(-7);
  QCOMPARE(bar->value(), 0);
  view.SetProgressPosition(2147483647);
  QCOMPARE(bar->value(), 1000);
}

void WindowTest::listOperations() {
  QtDialogView view;
  QCOMPARE(view.SelectedListText(), std::string());
  view.SelectListEntry(0);
  QCOMPARE(view.SelectedListText(), std::string());
  view.AppendListEntry("cdrom0 :  TAVIX   ZWR2040 DVD-RW  1.00");
  view.AppendListEntry("cdrom1 :  TAVIX   ZWR2040 DVD-RW  1.00");
  // Appending selects nothing.
  QCOMPARE(view.SelectedListText(), std::string());
  view.SelectListEntry(1);
  QCOMPARE(view.SelectedListText(), std::string("cdrom1 :  TAVIX   ZWR2040 DVD-RW  1.00"));
  view.SelectListEntry(2);
  QCOMPARE(view.Window().DriveList()->currentIndex(), 1);
  view.SelectListEntry(-1);
  QCOMPARE(view.Window().DriveList()->currentIndex(), 1);
  view.ClearList();
  QCOMPARE(view.Window().DriveList()->count(), 0);
  QCOMPARE(view.SelectedListText(), std::string());
}

void WindowTest::controlTextRoundTrip() {
  QtDialogView view;
  const std::string state = " Select Target Drive and Source File.\r\n\r\n Eject Disc from Target Drive.";
  view.SetControlText(ControlId::StateArea, state);
  QCOMPARE(view.ControlText(ControlId::StateArea), state);
  view.SetControlText(ControlId::Title, "DVD/CD Rewritable Drive F/W Update Program\r\nDrivesmith");
  QCOMPARE(view.Window().Title()->toPlainText(),
           QStringLiteral("DVD/CD Rewritable Drive F/W Update Program\nDrivesmith"));
  QCOMPARE(view.Window().Title()->document()->blockCount(), 2);
  view.SetControlText(ControlId::Close, "Reboot");
  QCOMPARE(view.ControlText(ControlId::Close), std::string("Reboot"));
  view.SetControlText(ControlId::Information, "TAVIX    ZWR2040 DVD-RW   2.10");
  QCOMPARE(view.ControlText(ControlId::Information), std::string("TAVIX    ZWR2040 DVD-RW   2.10"));
  view.SetCaption("Tavix Drivesmith Ver. 10.0");
  QCOMPARE(view.Window().windowTitle(), QStringLiteral("Tavix Drivesmith Ver. 10.0"));

  view.ShowControl(ControlId::UpdateLoader, false);
  QVERIFY(view.Window().UpdateLoader()->isHidden());
  view.ShowControl(ControlId::UpdateLoader, true);
  QVERIFY(!view.Window().UpdateLoader()->isHidden());
  view.SetChecked(ControlId::UpdateLoader, true);
  QVERIFY(view.IsChecked(ControlId::UpdateLoader));
  view.EnableControl(ControlId::Back, false);
  QVERIFY(!view.Window().BackButton()->isEnabled());
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
