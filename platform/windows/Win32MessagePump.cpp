#include "platform/windows/Win32MessagePump.h"

#include <windows.h>

namespace drivesmith {

namespace {

constexpr UINT kNonInputQueues = PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kNonInputWakeMask = QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER;

// A wait in the milliseconds of the 32-bit tick count, below INFINITE. The
// waits measure time as the ticks since their start, a difference of
// unsigned values that stays right when the count wraps (every 49.7 days).
DWORD WaitSpan(std::chrono::milliseconds duration) {
  constexpr auto kLongest = static_cast<std::chrono::milliseconds::rep>(INFINITE - 1);
  if (duration.count() <= 0) return 0;
  return static_cast<DWORD>(duration.count() < kLongest ? duration.count() : kLongest);
}

}  // namespace

void ServeNonInputMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | kNonInputQueues)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void WaitServingNonInputMessages(std::chrono::milliseconds duration) {
  const DWORD span = WaitSpan(duration);
  const DWORD start = GetTickCount();
  ServeNonInputMessages();
  for (DWORD waited = GetTickCount() - start; waited < span; waited = GetTickCount() - start) {
    // MWMO_INPUTAVAILABLE is left out on purpose: queued input must not end
    // the wait early again and again.
    MsgWaitForMultipleObjectsEx(0, nullptr, span - waited, kNonInputWakeMask, 0);
    ServeNonInputMessages();
  }
}

bool WaitForEventServingNonInputMessages(void* event, std::chrono::milliseconds timeout) {
  HANDLE handle = static_cast<HANDLE>(event);
  const DWORD span = WaitSpan(timeout);
  const DWORD start = GetTickCount();
  for (DWORD waited = GetTickCount() - start; waited < span; waited = GetTickCount() - start) {
    // Without MWMO_INPUTAVAILABLE, as above: only new non-input messages
    // end the wait before the event does.
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, &handle, span - waited, kNonInputWakeMask, 0);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    ServeNonInputMessages();
  }
  // The time is up: a signal that came meanwhile still counts.
  return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

void DropQueuedInput() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
  }
  constexpr UINT kCommands[] = {WM_CLOSE, WM_COMMAND, WM_SYSCOMMAND, static_cast<UINT>(BM_CLICK)};
  for (const UINT command : kCommands) {
    while (PeekMessageA(&message, nullptr, command, command, PM_REMOVE)) {
    }
  }
}

}  // namespace drivesmith
