#pragma once
// Port: the platform's input queue as the dialog's input guard needs it
// while the dialog's logic blocks the thread.

namespace drivesmith {

class QueuedInput {
 public:
  virtual ~QueuedInput() = default;

  // Handles what waits for the window apart from mouse and keyboard input
  // (painting, requests of the window system), which stays queued.
  virtual void ServeAllButInput() = 0;
  // Takes the mouse and keyboard input that queued up, and what it turned
  // into, off the queue and drops it.
  virtual void DropQueuedInput() = 0;
};

}  // namespace drivesmith
