#pragma once
// Serving the thread's window messages while the dialog's logic blocks the
// thread: painting, messages that other threads and processes send, and
// posted messages are handled; keyboard and mouse input stays queued. The
// window keeps painting, Windows does not mark it as not responding, and
// the dialog sees no input until the update has ended.

#include <chrono>

namespace drivesmith {

// Handles the waiting non-input messages and returns.
void ServeNonInputMessages();

// Waits `duration`, handling non-input messages as they come.
void WaitServingNonInputMessages(std::chrono::milliseconds duration);

// Waits until the automatic-reset event `event` (a HANDLE) is signalled, for
// `timeout` at most, handling non-input messages as they come; true when it
// was signalled. The wait consumes the signal.
bool WaitForEventServingNonInputMessages(void* event, std::chrono::milliseconds timeout);

// Takes the keyboard and mouse input that has queued up off the queue and
// drops it, together with the commands that input turns into and that wait
// as posted messages: button clicks, window commands (the system menu, the
// close box) and close requests.
void DropQueuedInput();

}  // namespace drivesmith
