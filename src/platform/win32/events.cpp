// Console events, and the session's end, routed to the program's handler.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/platform.h"
#include "platform/win32/away_messages.h"
#include "platform/win32/console_events.h"
#include "platform/win32/session_window.h"

namespace platform {
namespace {

using win32::kSessionWindowClass;

constexpr int kNotPausing = -1;
// How long the start waits for the window to hear of the session: far
// longer than it takes, unless the session's service is not up yet.
constexpr auto kWindowStartWait = std::chrono::seconds(2);

std::atomic<EventHandler>& CurrentHandler() {
  static std::atomic<EventHandler> handler{nullptr};
  return handler;
}

// The status of the failure whose pause is under way, or kNotPausing.
std::atomic<int>& PauseStatus() {
  static std::atomic<int> status{kNotPausing};
  return status;
}

bool Deliver(ConsoleEvent event) {
  const int pauseStatus = PauseStatus().load();
  if (pauseStatus != kNotPausing) {
    EndProcess(pauseStatus);
  }
  const EventHandler handler = CurrentHandler().load();
  return handler != nullptr && handler(event);
}

std::optional<ConsoleEvent> FromControlType(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
      return ConsoleEvent::CtrlC;
    case CTRL_BREAK_EVENT:
      return ConsoleEvent::CtrlBreak;
    case CTRL_CLOSE_EVENT:
      return ConsoleEvent::Close;
    case CTRL_LOGOFF_EVENT:
      return ConsoleEvent::Logoff;
    case CTRL_SHUTDOWN_EVENT:
      return ConsoleEvent::Shutdown;
    default:
      return std::nullopt;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
  const std::optional<ConsoleEvent> event = FromControlType(type);
  return event && Deliver(*event) ? TRUE : FALSE;
}

LRESULT CALLBACK OnSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;
    // Closing the window from outside (morvane-task stop, taskkill without
    // /F) ends the program as closing its console does. Left to
    // DefWindowProc, it would destroy the window, and the program would run
    // on deaf to the session's end, the lock, the display and sleep.
    case WM_CLOSE:
      Deliver(ConsoleEvent::Close);
      return 0;
    case WM_ENDSESSION:
      if (wParam != FALSE) {
        Deliver((lParam & ENDSESSION_LOGOFF) != 0 ? ConsoleEvent::Logoff : ConsoleEvent::Shutdown);
      }
      return 0;
    default:
      if (const std::optional<LRESULT> answer = OnAwayMessage(message, wParam, lParam)) {
        return *answer;
      }
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Windows sends no log-off or shut-down console event to a process that has
// loaded user32, as this one has; the session's end reaches it instead as
// messages to a top-level window. Message-only windows miss them, so the
// window is an ordinary one that is never shown. started is kept once the
// window hears of everything it can, and broken where it cannot be made.
void WatchSession(std::promise<void> started) {
  // The process runs in the idle class, where a thread under load can wait
  // seconds, and PBT_APMSUSPEND leaves about 2 s: this thread darkens the
  // lamp for sleep and ends the program with the session. Time-critical is
  // base priority 15 even in the idle class; it only waits for messages
  // otherwise, and the polling stays idle. A refusal leaves it as it was.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = OnSessionMessage;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kSessionWindowClass;
  if (RegisterClassExW(&windowClass) == 0) {
    return;
  }
  const HWND window = CreateWindowExW(0, kSessionWindowClass, L"morvane", WS_OVERLAPPED, 0, 0, 0, 0,
                                      nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return;
  }
  HearAwayMessages(window);
  started.set_value();
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
}

struct Installed {
  DWORD error = ERROR_SUCCESS;  // or why the routine could not be installed
  // Ready once the session window hears of everything it can, or cannot be
  // made.
  std::shared_future<void> windowHeard;
};

Installed Install() {
  if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    return {.error = GetLastError(), .windowHeard = {}};
  }
  Installed installed;
  try {
    std::promise<void> started;
    installed.windowHeard = started.get_future().share();
    std::thread(WatchSession, std::move(started)).detach();
  } catch (const std::system_error&) {
    // Without the window the console's own events still arrive.
  }
  return installed;
}

// The routine and the window are set up once, by the first that needs them,
// however often the handler is replaced.
const Installed& Installation() {
  static const Installed installed = Install();
  return installed;
}

}  // namespace

namespace win32 {

void ConsoleEventsEndWith(int status) {
  PauseStatus().store(status);
  // Without the routine the system's default handling ends the process at
  // once.
  Installation();
}

}  // namespace win32

bool InstallEventHandler(EventHandler handler, SystemError& error) {
  CurrentHandler().store(handler);
  const Installed& installed = Installation();
  error.code = installed.error;
  // So that the first cycle finds the session as it is: a program started
  // behind the lock screen lights no lamp there.
  if (installed.windowHeard.valid()) installed.windowHeard.wait_for(kWindowStartWait);
  return error.code == ERROR_SUCCESS;
}

}  // namespace platform
