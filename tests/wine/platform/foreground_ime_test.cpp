// The foreground window's input method, asked of windows of this process:
// Wine gives an IME window to no other process's windows.
#include <windows.h>

#include <gtest/gtest.h>
#include <imm.h>

#include <chrono>
#include <thread>

#include "app/globals.h"
#include "monitor/monitor_loop.h"
#include "platform/platform.h"
#include "test_window.h"
#include "watchdog.h"

namespace {

using std::chrono::steady_clock;

// A query's bound, with room for a busy machine.
constexpr auto kQueryBound = std::chrono::milliseconds(300);
// Long past any bound: only a query that waits for the hung window gets here.
constexpr unsigned kWatchdogMs = 10000;

LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A thread with one window: a top-level window that it makes the foreground
// window, or a child of another thread's window that takes the keyboard
// focus, as the text field in a UWP application's frame does. It pumps its
// messages until it hangs as an application that has stopped answering.
class WindowThread {
 public:
  explicit WindowThread(HWND parent = nullptr) : thread_([this, parent] { Run(parent); }) {
    WaitForSingleObject(created_, INFINITE);
  }
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;
  ~WindowThread() {
    SetEvent(hang_);
    Resume();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(created_);
    CloseHandle(hang_);
    CloseHandle(hung_);
    CloseHandle(resume_);
  }

  HWND Window() const { return window_; }

  // Returns once the thread has stopped taking messages.
  void Hang() {
    SetEvent(hang_);
    WaitForSingleObject(hung_, INFINITE);
  }
  void Resume() { SetEvent(resume_); }

 private:
  void Run(HWND parent) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (parent == nullptr) {
      window_ = CreateWindowExW(0, kTestWindowClass, L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                0, 320, 240, nullptr, nullptr, instance, nullptr);
      SetForegroundWindow(window_);
    } else {
      window_ =
          CreateWindowExW(WS_EX_NOPARENTNOTIFY, kTestWindowClass, L"field", WS_CHILD | WS_VISIBLE,
                          10, 10, 200, 24, parent, nullptr, instance, nullptr);
      SetFocus(window_);
    }
    SetEvent(created_);
    if (!PumpUntil(hang_)) {
      return;
    }
    SetEvent(hung_);
    WaitForSingleObject(resume_, INFINITE);
    PumpUntil(nullptr);
  }

  // Takes messages until the event is set (true) or the window has gone
  // (false); without an event, until the window has gone.
  static bool PumpUntil(HANDLE event) {
    const DWORD events = event != nullptr ? 1 : 0;
    while (MsgWaitForMultipleObjects(events, &event, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + events) {
      MSG message{};
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          return false;
        }
        DispatchMessageW(&message);
      }
    }
    return true;
  }

  HANDLE created_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE hang_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE hung_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE resume_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND window_ = nullptr;
  std::thread thread_;
};

struct TimedReading {
  platform::ImeReading reading;
  steady_clock::duration took;
};

TimedReading ReadForegroundIme() {
  const steady_clock::time_point start = steady_clock::now();
  const platform::ImeReading reading = platform::ForegroundIme();
  return {reading, steady_clock::now() - start};
}

class ForegroundImeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterTestWindowClass(OnMessage); }
};

TEST_F(ForegroundImeTest, AHungForegroundWindowHoldsUpNeitherTheQueryNorTheCycle) {
  const Watchdog watchdog(kWatchdogMs, "the input method of a hung window");
  WindowThread frame;
  frame.Hang();
  ASSERT_EQ(GetForegroundWindow(), frame.Window());
  ASSERT_NE(ImmGetDefaultIMEWnd(frame.Window()), nullptr);

  const TimedReading timed = ReadForegroundIme();
  EXPECT_LT(timed.took, kQueryBound);
  EXPECT_NE(timed.reading.query, platform::ImeQuery::Answered);

  platform::OpenFailure failure;
  hComm = platform::OpenPort("NUL", failure);
  ASSERT_NE(hComm, platform::kNoPort);
  MonitorLocals locals;
  EXPECT_EQ(RunMonitorCycle(locals), CycleOutcome::Continue);
  platform::ClosePort(hComm);
}

TEST_F(ForegroundImeTest, AsksTheInputMethodOfTheWindowThatHasTheKeyboardFocus) {
  const Watchdog watchdog(kWatchdogMs, "the input method of the focused window");
  WindowThread frame;
  {
    const WindowThread field(frame.Window());
    // Only the frame's thread stops answering; the field's still does.
    frame.Hang();
    ASSERT_EQ(GetForegroundWindow(), frame.Window());
    ASSERT_NE(ImmGetDefaultIMEWnd(field.Window()), nullptr);
    ASSERT_NE(ImmGetDefaultIMEWnd(field.Window()), ImmGetDefaultIMEWnd(frame.Window()));

    const TimedReading timed = ReadForegroundIme();
    EXPECT_EQ(timed.reading.query, platform::ImeQuery::Answered);
    EXPECT_LT(timed.took, kQueryBound);
    // The field's window goes while the frame takes messages again.
    frame.Resume();
  }
}

}  // namespace
