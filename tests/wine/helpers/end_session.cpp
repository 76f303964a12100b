// Ends the session for one running program as Windows does at log-off or
// shut-down: each of its top-level windows is asked WM_QUERYENDSESSION and
// then told WM_ENDSESSION.
//
//   end_session <image name> logoff|shutdown
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "find_process.h"

namespace {

constexpr UINT kAnswerWaitMs = 5000;

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_BLOCK, kAnswerWaitMs, &answer);
  return static_cast<LRESULT>(answer);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 ||
      (std::wcscmp(argv[2], L"logoff") != 0 && std::wcscmp(argv[2], L"shutdown") != 0)) {
    (void)std::fprintf(stderr, "usage: end_session <image name> logoff|shutdown\n");
    return 2;
  }
  const std::vector<HWND> windows = WindowsOfOnlyProcess("end_session", argv[1]);
  if (windows.empty()) return 1;
  const LPARAM reason = std::wcscmp(argv[2], L"logoff") == 0 ? ENDSESSION_LOGOFF : 0;
  // Windows the system made for the program (its input method's) may not
  // answer; the program's own window has to agree.
  bool agreed = false;
  for (const HWND window : windows) {
    if (Ask(window, WM_QUERYENDSESSION, 0, reason) != FALSE) {
      agreed = true;
      // The program ends while it handles this, so no answer comes back.
      Ask(window, WM_ENDSESSION, TRUE, reason);
    }
  }
  if (!agreed) {
    (void)std::fprintf(stderr, "end_session: no window of the process agreed to the end\n");
    return 1;
  }
  return 0;
}
