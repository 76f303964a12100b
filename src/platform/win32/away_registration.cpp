// The session window's requests to hear of the session and the display, made
// for sure, and the session's lock state at start.
#include <windows.h>
#include <wtsapi32.h>

#include <cstddef>

#include "platform/away.h"
#include "platform/session_rules.h"
#include "platform/win32/away_messages.h"

namespace platform {
namespace {

static_assert(kSessionServiceNotReady == RPC_S_INVALID_BINDING);

// MinGW's wtsapi32.h names neither the class WTSSessionInfoEx nor its answer:
// both as Microsoft's documentation gives them. Of the answer only the head
// is read: WTSINFOEXW's Level, then its WTSINFOEX_LEVEL1_W record, which
// holds 64-bit times further on and so begins 8 bytes in.
constexpr auto kWtsSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
constexpr DWORD kSessionInfoLevel1 = 1;
struct SessionInfoExHead {
  DWORD level;
  alignas(LARGE_INTEGER) ULONG sessionId;
  // cppcheck-suppress unusedStructMember
  WTS_CONNECTSTATE_CLASS sessionState;  // passed over
  LONG sessionFlags;
};
static_assert(offsetof(SessionInfoExHead, sessionId) == 8 &&
              offsetof(SessionInfoExHead, sessionFlags) == 16);

// Set by Remote Desktop Services once they are up.
constexpr wchar_t kSessionServiceReady[] = L"Global\\TermSrvReadyEvent";
constexpr DWORD kReadyWaitMs = 60000;
// After the event, or in its place where it cannot be opened yet: a refusal
// is not worth trying again at once.
constexpr DWORD kRetryPauseMs = 1000;

// Until event is set (never when it is null) or ms have passed, handling the
// thread's messages meanwhile: the window still hears of sleep and of the
// session's end.
void WaitHandlingMessages(HANDLE event, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  const DWORD handles = event != nullptr ? 1 : 0;
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    const DWORD woke = MsgWaitForMultipleObjects(handles, &event, FALSE,
                                                 static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + handles) return;  // the event, the time or a failure
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

void WaitForSessionService() {
  const HANDLE ready = OpenEventW(SYNCHRONIZE, FALSE, kSessionServiceReady);
  if (ready != nullptr) {
    WaitHandlingMessages(ready, kReadyWaitMs);
    CloseHandle(ready);
  }
  WaitHandlingMessages(nullptr, kRetryPauseMs);
}

// Early at log-on, before Remote Desktop Services are up, the registration is
// refused with RPC_S_INVALID_BINDING.
DWORD RegisterForSession(HWND window) {
  return RegisterWhenReady(
      [window]() -> std::uint32_t {
        if (WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION)) return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        // Shown by morvane-probe while the service is awaited.
        RecordRegistration(AwayRegistration::Session, error);
        return error;
      },
      WaitForSessionService);
}

DWORD RegisterForDisplay(HWND window) {
  return RegisterPowerSettingNotification(window, &kConsoleDisplayState,
                                          DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr
             ? ERROR_SUCCESS
             : GetLastError();
}

}  // namespace

std::optional<SessionInfo> QuerySession() {
  LPWSTR answer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                                   kWtsSessionInfoEx, &answer, &bytes)) {
    return std::nullopt;
  }
  SessionInfoExHead head{};
  const bool whole = bytes >= sizeof(head);
  if (whole) CopyMemory(&head, answer, sizeof(head));
  WTSFreeMemory(answer);
  if (!whole || head.level != kSessionInfoLevel1) return std::nullopt;
  // SessionFlags as Windows 10 and 11 report it: see AwayAtStart.
  return SessionInfo{.sessionId = head.sessionId,
                     .sessionFlags = head.sessionFlags,
                     .consoleSessionId = WTSGetActiveConsoleSessionId()};
}

void HearAwayMessages(HWND window) {
  RecordRegistration(AwayRegistration::Display, RegisterForDisplay(window));
  const DWORD session = RegisterForSession(window);
  RecordRegistration(AwayRegistration::Session, session);
  // Without the notifications a lock taken from the start would never end.
  if (session != ERROR_SUCCESS) return;
  // Asked after the registration, and before the window's messages are
  // handled: a change meanwhile is handled after this and wins. Neither can
  // be away before the registration, so only what is away is set: a
  // failure's pause, which claimed the end and so holds every other
  // thread's SetAway for good, does not hold up this window then.
  TakeAwayAtStart(AwayAtStart(QuerySession()));
}

}  // namespace platform
