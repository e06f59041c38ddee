#include "platform/windows/Win32MessagePump.h"

#include <windows.h>

namespace drivesmith {

namespace {

constexpr UINT kNonInputQueues = PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kNonInputWakeMask = QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER;

}  // namespace

void ServeNonInputMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | kNonInputQueues)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void WaitServingNonInputMessages(std::chrono::milliseconds duration) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(duration.count());
  ServeNonInputMessages();
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    // MWMO_INPUTAVAILABLE is left out on purpose: queued input must not end
    // the wait early again and again.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), kNonInputWakeMask,
                                0);
    ServeNonInputMessages();
  }
}

bool WaitForEventServingNonInputMessages(void* event, std::chrono::milliseconds timeout) {
  HANDLE handle = static_cast<HANDLE>(event);
  const ULONGLONG span = timeout.count() > 0 ? static_cast<ULONGLONG>(timeout.count()) : 0;
  const ULONGLONG deadline = GetTickCount64() + span;
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    // Without MWMO_INPUTAVAILABLE, as above: only new non-input messages
    // end the wait before the event does.
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, static_cast<DWORD>(deadline - now),
                                                    kNonInputWakeMask, 0);
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
