#include "platform/linux/QtClock.h"

#include <QEventLoop>
#include <QTimer>

namespace drivesmith {

std::chrono::milliseconds QtClock::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void QtClock::Sleep(std::chrono::milliseconds duration) {
  if (duration <= std::chrono::milliseconds::zero()) {
    return;
  }
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(duration);
  // Input is held back by the window system and dropped by the dialog once
  // the update has ended; everything else is served meanwhile.
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace drivesmith
