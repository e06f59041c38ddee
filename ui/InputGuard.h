#pragma once
// Stands between the user's input and the dialog's handlers, for both
// windows:
//  - a handler never runs inside another one, nor while an update runs;
//  - input that queued up while an update ran is dropped when it ends
//    (the platform's QueuedInput knows how);
//  - starting a flash takes a deliberate second press: a press on Start
//    that comes within the system's double-click time of the press that
//    turned the button into "Start" is ignored, so a double click on
//    "Next >" never starts an update.

#include <chrono>
#include <cstdint>
#include <optional>

#include "ui/QueuedInput.h"

namespace drivesmith {

class UpdateDialog;

// When the window system says an input event happened: milliseconds on a
// counter that wraps round after 2^32 (Win32's message time does; Qt's
// event time stamps are cut down to it). Only differences of two times
// count, and they are taken round the wrap.
using InputTime = std::chrono::duration<std::uint32_t, std::milli>;

// What the user can press or ask for in the dialog.
enum class DialogInput { NextStart, Back, Close, Logo, Cancel };

class InputGuard {
 public:
  InputGuard(QueuedInput& queue, std::chrono::milliseconds doubleClickTime);

  // The dialog that the handlers run on; null while there is none.
  void Attach(UpdateDialog* dialog) { dialog_ = dialog; }

  // Runs the dialog's handler for `input`, pressed at `time`, unless the
  // guard drops it. A press without a time (a program's own click, not the
  // user's) is never the second press of a double click.
  void Press(DialogInput input, std::optional<InputTime> time);

  // The window painted or moved its progress bar: while an update runs this
  // serves the platform and notes that input may queue up meanwhile.
  void NoteBusy();

  // True while an update runs: the window holds all input back.
  bool UpdateRunning() const;

 private:
  bool WithinDoubleClick(std::optional<InputTime> time) const;
  void RunHandler(DialogInput input);

  QueuedInput& queue_;
  std::chrono::milliseconds doubleClickTime_;
  UpdateDialog* dialog_ = nullptr;
  bool handlerRunning_ = false;
  bool sawUpdate_ = false;
  // The press that last turned "Next >" into "Start".
  std::optional<InputTime> startShownAt_;
};

}  // namespace drivesmith
