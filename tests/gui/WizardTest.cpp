// The wizard's real window on the offscreen platform, driven by mouse and
// keyboard, on a simulated drive and a program file with a synthetic image.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <set>

#include "platform/linux/QtDialogView.h"
#include "platform/linux/QtDialogWindow.h"
#include "platform/linux/QtLogoLabel.h"
#include "simulator/SimulatedClock.h"
#include "simulator/SimulatedDrive.h"
#include "simulator/SimulatedPassThrough.h"
#include "tests/app/PackedProgram.h"
#include "tests/support/ExpectedStateTexts.h"
#include "tests/update/UpdateBench.h"
#include "ui/UpdateDialog.h"

using namespace drivesmith;
using Layout = sim::LoaderLayout;
Q_DECLARE_METATYPE(drivesmith::sim::LoaderLayout)

namespace {

// A state's text as the window's plain text gives it back.
QString Text(int state, bool twoMegabyte = false) {
  return QString::fromStdString(expected::StateText(state, twoMegabyte)).remove('\r');
}
const QString kState0 = Text(0), kState1 = Text(1), kState11 = Text(11);

struct RecordingPower : SystemPower {
  void RequestRestart(bool) override { ++restarts; }
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string&) override {
    return nullptr;
  }
  int restarts = 0;
};

// Simulated time; `hook` runs inside every engine sleep, as events would.
struct HookedClock : Clock {
  std::chrono::milliseconds Now() override { return inner.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    inner.Sleep(duration);
    if (hook) hook();
  }
  sim::SimulatedClock inner;
  std::function<void()> hook;
};

// What the window showed when it was painted.
struct Painted {
  int state;
  QString text;
  bool buttonsEnabled;
};

// The real window and dialog on one simulated drive at cdrom device 0.
class Wizard : public QObject {
 public:
  Wizard(Layout layout, unsigned imageMiB)
      : drive(testing_support::DriveOf(layout), clock.inner), program(imageMiB) {
    passThrough.Attach({TransportMode::PassThroughCdrom, 0}, drive);
    window.installEventFilter(this);
    window.ProgressBar()->installEventFilter(this);
  }

  // Runs the dialog modally around `steps`; closes it if they left it open.
  DialogResult Run(const std::function<void()>& steps) {
    QTimer::singleShot(0, [&] {
      steps();
      if ((leftOpen = window.isVisible())) window.done(QDialog::Rejected);
    });
    return view.RunModal(dialog);
  }
  int State() const { return StateNumber(dialog.State().UpdateState); }
  void Shot(const QString& name) {
    QDir().mkpath(DRIVESMITH_TEST_ARTIFACTS_DIR);
    // A picture for the reader of a failed run; not a condition of the test.
    static_cast<void>(window.grab().save(DRIVESMITH_TEST_ARTIFACTS_DIR "/" + name + ".png"));
  }

  HookedClock clock;
  sim::SimulatedPassThrough passThrough{clock.inner};
  sim::SimulatedDrive drive;
  testing_support::PackedProgram program;
  ScsiTransport transport{TransportMode::PassThroughCdrom, nullptr, &passThrough};
  RecordingPower power;
  QtDialogView view;
  QtDialogWindow& window = view.Window();
  UpdateDialog dialog{{view, transport, program.File(), clock, power, "drivesmith"}};
  std::vector<Painted> painted;
  std::set<int> barPainted;  // the positions the bar painted during the transfer
  bool leftOpen = false;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched == window.ProgressBar()) {
      if (State() >= 2 && State() <= 4) barPainted.insert(window.ProgressBar()->value());
    } else if (event->type() == QEvent::Paint) {
      painted.push_back({State(), window.StateArea()->toPlainText(),
                         window.NextStartButton()->isEnabled() ||
                             window.CloseButton()->isEnabled() ||
                             window.BackButton()->isEnabled()});
    }
    return false;
  }
};

void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

// The texts and states of the controls outside an update.
void Verify(Wizard& w, const QString& text, const QString& next, bool nextEnabled,
            const QString& close, bool backEnabled) {
  QCOMPARE(w.window.StateArea()->toPlainText(), text);
  QCOMPARE(w.window.NextStartButton()->text(), next);
  QCOMPARE(w.window.NextStartButton()->isEnabled(), nextEnabled);
  QCOMPARE(w.window.CloseButton()->text(), close);
  QVERIFY(w.window.CloseButton()->isEnabled());
  QCOMPARE(w.window.BackButton()->isEnabled(), backEnabled);
}

// The name a screen reader gets for `widget`: the one given to it, else what
// Qt derives from the widget (a button's text, for one). On Linux a drop-down
// list reports its current entry as its name and is named by its caption
// through the label relation, checked apart.
QString AccessibleName(QWidget* widget) {
  if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

// Whether the accessible `control` is labelled by `label`.
bool LabelledBy(QWidget* control, QWidget* label) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  if (accessible == nullptr) return false;
  for (const auto& [other, relation] : accessible->relations(QAccessible::Label)) {
    if (other->object() == label) return true;
  }
  return false;
}

// Whether the pixels just outside `control` changed between two pictures of
// the window: the ring that shows the focus.
bool RingChanged(const QImage& before, const QImage& after, const QWidget* control) {
  const QRect ring = control->geometry().adjusted(-1, -1, 1, 1);
  for (int x = ring.left(); x <= ring.right(); ++x) {
    for (const int y : {ring.top(), ring.bottom()}) {
      if (before.pixel(x, y) != after.pixel(x, y)) return true;
    }
  }
  for (int y = ring.top(); y <= ring.bottom(); ++y) {
    for (const int x : {ring.left(), ring.right()}) {
      if (before.pixel(x, y) != after.pixel(x, y)) return true;
    }
  }
  return false;
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeWizard_data() {
    QTest::addColumn<Layout>("layout");
    QTest::newRow("2M") << Layout::TwoMegabyte;
    QTest::newRow("1M") << Layout::OneMegabyte;
  }

  void wholeWizard() {
    QFETCH(Layout, layout);
    const bool twoMegabyte = layout == Layout::TwoMegabyte;
    const QString prefix = twoMegabyte ? "wizard-2m-state-" : "wizard-1m-state-";
    Wizard w(layout, twoMegabyte ? 2 : 1);
    std::set<int> shot{0, 1, 11};  // taken below
    w.clock.hook = [&] {
      if (shot.insert(w.State()).second) w.Shot(prefix + QString::number(w.State()));
    };
    const DialogResult result = w.Run([&] {
      QVERIFY(QTest::qWaitForWindowExposed(&w.window));
      QCOMPARE(w.window.windowTitle(), QString("Tavix Drivesmith Ver. 10.0"));
      Verify(w, kState0, "Next >", true, "Close", false);
      QVERIFY(w.window.DriveList()->currentText().startsWith("cdrom0"));
      w.Shot(prefix + "0");
      Click(w.window.NextStartButton());
      Verify(w, kState1, "Start", true, "Close", true);
      w.Shot(prefix + "1");
      Click(w.window.NextStartButton());
      Verify(w, kState11, "Next >", false, "Reboot", false);
      QCOMPARE(w.window.ProgressBar()->value(), 1000);
      w.Shot(prefix + "11");
      Click(w.window.CloseButton());
      QCOMPARE(w.power.restarts, 1);
      QVERIFY2(w.window.isVisible(), "the dialog stays open until the system restarts");
      QTest::keyClick(w.window.focusWidget(), Qt::Key_Escape);  // ends without a restart
    });
    QVERIFY(!w.leftOpen);
    QCOMPARE(result, DialogResult::Cancel);
    QCOMPARE(w.power.restarts, 1);
    QVERIFY(w.drive.Work() == sim::WorkState::Finished);

    // During the phases: the marker on the state's line, every button disabled.
    std::set<int> phases;
    for (const Painted& p : w.painted) {
      if (p.state < 2 || p.state > 10) continue;
      QCOMPARE(p.text, Text(p.state, twoMegabyte));
      QVERIFY(!p.buttonsEnabled);
      phases.insert(p.state);
    }
    QVERIFY(phases ==
            (twoMegabyte ? std::set<int>{2, 3, 5, 6, 7, 8} : std::set<int>{2, 5, 6, 7, 10}));
    // The bar moves while the blocks go out, though the engine does not wait.
    QVERIFY2(w.barPainted.size() > 5, qPrintable(QString::number(w.barPainted.size())));
  }

  void closeBeforeUpdateEndsProgram() {
    Wizard w(Layout::TwoMegabyte, 2);
    const DialogResult result = w.Run([&] {
      Click(w.window.NextStartButton());
      Click(w.window.CloseButton());
    });
    QVERIFY(!w.leftOpen);
    QCOMPARE(result, DialogResult::Ok);
    QCOMPARE(w.power.restarts, 0);
    QVERIFY(!w.drive.InUpMode());
  }

  // A double click on Next > shows Start and goes no further: its second
  // press came within the double-click time. A press after that starts.
  void doubleClickOnNextNeverStarts() {
    Wizard w(Layout::TwoMegabyte, 2);
    w.Run([&] {
      QVERIFY(QTest::qWaitForWindowExposed(&w.window));
      QPushButton* button = w.window.NextStartButton();
      const QPoint next = button->mapTo(&w.window, button->rect().center());
      QTest::mouseDClick(w.window.windowHandle(), Qt::LeftButton, Qt::NoModifier, next);
      Verify(w, kState1, "Start", true, "Close", true);
      QVERIFY(!w.drive.InUpMode());
      QTest::mouseClick(w.window.windowHandle(), Qt::LeftButton, Qt::NoModifier, next,
                        QGuiApplication::styleHints()->mouseDoubleClickInterval());
      QCOMPARE(w.State(), 11);
    });
  }

  void sixthLogoClickRevealsBoxAndBackClearsIt() {
    Wizard w(Layout::TwoMegabyte, 2);
    w.Run([&] {
      QVERIFY(QTest::qWaitForWindowExposed(&w.window));
      // A double click, as the window system delivers it, is one click.
      const QPoint logo = w.window.Logo()->mapTo(&w.window, w.window.Logo()->rect().center());
      for (int i = 0; i < 5; ++i)
        QTest::mouseDClick(w.window.windowHandle(), Qt::LeftButton, Qt::NoModifier, logo);
      QCOMPARE(w.dialog.State().LogoClickCount, 5);
      QVERIFY(!w.window.UpdateLoader()->isVisible());
      Click(w.window.Logo());
      QVERIFY(w.window.UpdateLoader()->isVisible());
      w.Shot("wizard-update-loader-revealed");
      Click(w.window.NextStartButton());
      Click(w.window.UpdateLoader());
      QVERIFY(w.window.UpdateLoader()->isChecked());
      Click(w.window.BackButton());
      Verify(w, kState0, "Next >", true, "Close", false);
      QVERIFY(!w.window.UpdateLoader()->isChecked());
    });
  }

  void oneToTwoMegabyteQuestion() {
    for (const auto& [answer, state] : {std::pair{QMessageBox::Yes, 11}, {QMessageBox::No, 0}}) {
      Wizard w(Layout::OneMegabyte, 2);
      QString asked;
      w.Run([&] {
        Click(w.window.NextStartButton());
        // Runs once the question's own event loop has begun.
        QTimer::singleShot(0, [&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          QVERIFY(box != nullptr);
          asked = box->windowTitle() + "|" + box->text();
          Click(box->button(answer));
        });
        Click(w.window.NextStartButton());
        QCOMPARE(w.State(), state);
        if (state == 0) Verify(w, kState0, "Next >", true, "Close", false);
      });
      QCOMPARE(asked, QString("Warning!!|You'll change FROM 1M to 2M.\nContinue?"));
      QCOMPARE(w.drive.LoaderUpdateRequested(), state == 11);
    }
  }

  // A screen reader user hears what each control is, and a keyboard user
  // sees where the focus is: Tab visits every control that takes the focus,
  // and each is framed on the window while it has it.
  void accessibleNamesAndVisibleFocus() {
    Wizard w(Layout::TwoMegabyte, 2);
    w.Run([&] {
      QVERIFY(QTest::qWaitForWindowExposed(&w.window));
      Click(w.window.NextStartButton());  // state 1: Back enabled as well
      for (int i = 0; i < 6; ++i) Click(w.window.Logo());
      QVERIFY(w.window.UpdateLoader()->isVisible());

      const std::vector<std::pair<ControlId, QString>> names = {
          {ControlId::Close, "Close"},
          {ControlId::NextStart, "Start"},
          {ControlId::Back, "< Back"},
          {ControlId::DriveList, "Target Drive"},
          {ControlId::TargetDriveLabel, "Target Drive"},
          {ControlId::StateArea, "State"},
          {ControlId::ProgressBar, "Progress"},
          {ControlId::ProgressLabel, "Progress"},
          {ControlId::InformationLabel, "Information: "},
          {ControlId::Information, "Information"},
          {ControlId::UpdateLoader, "Update Loader"},
          {ControlId::Title, "Title"},
          {ControlId::Logo, "Logo"},
      };
      for (const auto& [id, name] : names) {
        QCOMPARE(AccessibleName(w.window.Control(id)), name);
      }
      QCOMPARE(AccessibleName(w.window.VersionLabel()), QString("2004  Ver 10.0"));
      // Captions point at what they caption.
      for (const auto& [label, control] :
           {std::pair{ControlId::TargetDriveLabel, ControlId::DriveList},
            {ControlId::ProgressLabel, ControlId::ProgressBar},
            {ControlId::InformationLabel, ControlId::Information}}) {
        QVERIFY(LabelledBy(w.window.Control(control), w.window.Control(label)));
      }

      // The controls Tab can reach: the visible, enabled ones that take it.
      std::set<QWidget*> focusable;
      for (QWidget* child : w.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus))
          focusable.insert(child);
      }
      const std::set<QWidget*> expected = {w.window.CloseButton(), w.window.NextStartButton(),
                                           w.window.BackButton(),  w.window.DriveList(),
                                           w.window.StateArea(),   w.window.UpdateLoader(),
                                           w.window.Title()};
      QVERIFY(focusable == expected);

      w.window.CloseButton()->setFocus(Qt::TabFocusReason);
      std::set<QWidget*> visited;
      for (std::size_t i = 0; i < expected.size(); ++i) {
        QWidget* control = QApplication::focusWidget();
        QVERIFY(control != nullptr);
        visited.insert(control);
        QFocusFrame* frame = w.window.FocusFrame();
        QVERIFY2(frame->isVisible(), qPrintable(control->objectName()));
        QVERIFY2(frame->geometry().contains(control->geometry()),
                 qPrintable(control->objectName()));
        // The frame is there to be seen: the window looks different round
        // the control with and without it.
        const QImage framed = w.window.grab().toImage();
        frame->hide();
        const QImage bare = w.window.grab().toImage();
        frame->show();
        QVERIFY2(RingChanged(bare, framed, control), qPrintable(control->objectName()));
        if (control == w.window.StateArea()) w.Shot("focus-on-state-area");
        QTest::keyClick(control, Qt::Key_Tab);
      }
      QVERIFY(visited == expected);
      QCOMPARE(QApplication::focusWidget(), w.window.CloseButton());  // round again
    });
  }

  // All the user might do, in every wait of the engine (the pause after the
  // switch to Up Mode included); posted input arrives after the update.
  void inputDuringUpdateHasNoEffect() {
    Wizard w(Layout::TwoMegabyte, 2);
    int waits = 0;
    w.clock.hook = [&] {
      if (waits++ == 0) {
        QCoreApplication::postEvent(
            &w.window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QCoreApplication::postEvent(&w.window, new QCloseEvent);
      }
      QTest::keyClick(&w.window, Qt::Key_Escape);
      QTest::keyClick(&w.window, Qt::Key_Return);
      for (int i = 0; i < 6; ++i) Click(w.window.Logo());
      Click(w.window.CloseButton());
      Click(w.window.BackButton());
      w.window.close();
    };
    w.Run([&] {
      Click(w.window.NextStartButton());
      Click(w.window.NextStartButton());
      w.clock.hook = nullptr;
      QCoreApplication::processEvents();
      QCOMPARE(w.State(), 11);
      QVERIFY(!w.window.UpdateLoader()->isVisible());
      QCOMPARE(w.dialog.State().LogoClickCount, 0);
    });
    QVERIFY(waits > 1);
    QVERIFY2(w.leftOpen, "nothing ended the dialog");
    QCOMPARE(w.power.restarts, 0);
  }
};

QTEST_MAIN(WizardTest)
#include "WizardTest.moc"
