// Tells one running program that nobody is at the computer, or that someone
// is back, as Windows does: WM_WTSSESSION_CHANGE or WM_POWERBROADCAST to each
// of its top-level windows. Prints how long they took to handle it, in
// milliseconds: for a suspend, until the program had sent its lamp-off.
//
//   tell_away <image name> lock|unlock|disconnect|connect|suspend|resume
#include <windows.h>
#include <wtsapi32.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <vector>

#include "find_process.h"

namespace {

constexpr UINT kAnswerWaitMs = 5000;

struct Event {
  const wchar_t* name;
  UINT message;
  WPARAM wParam;
};

constexpr Event kEvents[] = {
    {L"lock", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK},
    {L"unlock", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK},
    {L"disconnect", WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT},
    {L"connect", WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT},
    {L"suspend", WM_POWERBROADCAST, PBT_APMSUSPEND},
    {L"resume", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND},
};

std::optional<Event> Named(const wchar_t* name) {
  for (const Event& event : kEvents) {
    if (std::wcscmp(event.name, name) == 0) return event;
  }
  return std::nullopt;
}

double NowMs() {
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<Event> event = argc == 3 ? Named(argv[2]) : std::nullopt;
  if (!event) {
    (void)std::fprintf(stderr,
                       "usage: tell_away <image name> lock|unlock|disconnect|connect|suspend|"
                       "resume\n");
    return 2;
  }
  const std::vector<HWND> windows = WindowsOfOnlyProcess("tell_away", argv[1]);
  if (windows.empty()) return 1;
  const double start = NowMs();
  for (const HWND window : windows) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, event->message, event->wParam, 0, SMTO_BLOCK, kAnswerWaitMs,
                        &answer);
  }
  (void)std::printf("%.1f\n", NowMs() - start);
  return 0;
}
