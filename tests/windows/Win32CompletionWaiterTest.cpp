// Waiting for an ASPI completion event, plainly and serving the window's
// messages: both keep the event's meaning; the pumping one handles the
// messages that come meanwhile, posted or sent from another thread.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/windows/Win32MessagePumpingCompletionWaiter.h"
#include "platform/windows/Win32PlainCompletionWaiter.h"

namespace drivesmith {
namespace {

using std::chrono::milliseconds;

// The time an ASPI command has to complete.
constexpr milliseconds kCompletionTimeout{5000};
constexpr UINT kCompleteMessage = WM_APP + 1;

// An automatic-reset event, as the ASPI library makes them.
struct CompletionEvent {
  CompletionEvent() : handle(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~CompletionEvent() { CloseHandle(handle); }
  CompletionEvent(const CompletionEvent&) = delete;
  CompletionEvent& operator=(const CompletionEvent&) = delete;
  HANDLE handle;
};

// A hidden window that signals its event when it handles kCompleteMessage:
// the event can only be signalled by serving the message.
class CompletingWindow {
 public:
  explicit CompletingWindow(HANDLE event) : event_(event) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CompletingWindow::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~CompletingWindow() { DestroyWindow(window_); }
  CompletingWindow(const CompletingWindow&) = delete;
  CompletingWindow& operator=(const CompletingWindow&) = delete;

  HWND Handle() const { return window_; }
  int Served() const { return served_; }

 private:
  static constexpr const char* kClassName = "DrivesmithCompletingWindow";

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CompletingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kCompleteMessage && self != nullptr) {
      ++self->served_;
      SetEvent(self->event_);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HANDLE event_;
  HWND window_ = nullptr;
  int served_ = 0;
};

TEST(Win32CompletionWaiterTest, BothWaitersReportAndConsumeTheSignal) {
  Win32PlainCompletionWaiter plain;
  Win32MessagePumpingCompletionWaiter pumping;
  Win32CompletionWaiter* const waiters[] = {&plain, &pumping};
  for (Win32CompletionWaiter* waiter : waiters) {
    CompletionEvent event;
    EXPECT_FALSE(waiter->Wait(event.handle, milliseconds{0}));
    SetEvent(event.handle);
    EXPECT_TRUE(waiter->Wait(event.handle, kCompletionTimeout));
    EXPECT_FALSE(waiter->Wait(event.handle, milliseconds{1})) << "the signal was not consumed";
  }
}

// Without a display Wine makes no top-level windows and delivers no keyboard
// input, so input staying queued is checked end to end, not here.
TEST(Win32CompletionWaiterTest, ServesNonInputMessagesWhileWaiting) {
  const struct {
    const char* name;
    bool sentFromAnotherThread;
  } rows[] = {{"posted", false}, {"sent from another thread", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CompletionEvent event;
    CompletingWindow window(event.handle);
    ASSERT_NE(window.Handle(), nullptr);

    std::thread sender;
    if (row.sentFromAnotherThread) {
      sender = std::thread([&] {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window.Handle(), kCompleteMessage, 0, 0, SMTO_NORMAL,
                            static_cast<UINT>(2 * kCompletionTimeout.count()), &result);
      });
    } else {
      ASSERT_TRUE(PostMessageA(window.Handle(), kCompleteMessage, 0, 0));
    }
    Win32MessagePumpingCompletionWaiter waiter;
    EXPECT_TRUE(waiter.Wait(event.handle, kCompletionTimeout));
    if (sender.joinable()) sender.join();
    EXPECT_EQ(window.Served(), 1);
  }
}

}  // namespace
}  // namespace drivesmith
