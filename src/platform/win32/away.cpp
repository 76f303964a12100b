#include "platform/win32/away_messages.h"

#include <wtsapi32.h>

#include <atomic>
#include <string>
#include <string_view>

#include "platform/away.h"
#include "platform/source_replies.h"

namespace platform {
namespace {

constexpr DWORD kDisplayOff = 0;
constexpr DWORD kDisplayOn = 1;

// What the session window's registrations came to; written by its thread,
// read by the probe's.
struct Registrations {
  std::atomic<DWORD> session{ERROR_SUCCESS};
  std::atomic<DWORD> display{ERROR_SUCCESS};
};

Registrations& Recorded() {
  static Registrations registrations;
  return registrations;
}

// The sources that the messages below set, each apart (see AwaySource).
constinit AwaySource sessionLock(AwayReason::Locked);
constinit AwaySource consoleDisconnect(AwayReason::Locked);
constinit AwaySource displayState(AwayReason::DisplayOff);
constinit AwaySource suspend(AwayReason::Sleeping);

// On Modern Standby machines the suspend and resume messages do not come
// for a while after boot and log-on: a resume missed would leave the lamp
// dark for good. Whoever turns the display on or unlocks is back from sleep.
void Awake() { SetAway(suspend, false); }

void OnSessionChange(WPARAM change) {
  switch (change) {
    case WTS_SESSION_LOCK:
      SetAway(sessionLock, true);
      break;
    case WTS_SESSION_UNLOCK:
      SetAway(sessionLock, false);
      Awake();
      break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_CONSOLE_CONNECT:
      SetAway(consoleDisconnect, change == WTS_CONSOLE_DISCONNECT);
      break;
    default:
      break;
  }
}

void OnPowerSetting(LPARAM lParam) {
  // The system hands the setting's record over by address.
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);  // NOLINT
  if (setting == nullptr || setting->PowerSetting != kConsoleDisplayState ||
      setting->DataLength < sizeof(DWORD)) {
    return;
  }
  DWORD state = 0;
  CopyMemory(&state, setting->Data, sizeof(state));
  SetAway(displayState, state == kDisplayOff);
  if (state == kDisplayOn) Awake();
}

void OnPowerBroadcast(WPARAM event, LPARAM lParam) {
  switch (event) {
    case PBT_APMSUSPEND:
      SetAway(suspend, true);
      break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
      Awake();
      break;
    case PBT_POWERSETTINGCHANGE:
      OnPowerSetting(lParam);
      break;
    default:
      break;
  }
}

void NoteRefusal(SourceReplies* asked, std::string_view call, DWORD error) {
  if (error != ERROR_SUCCESS) {
    Note(asked, call, Reply::Failed, [error] { return std::to_string(error); });
  }
}

}  // namespace

std::optional<LRESULT> OnAwayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_WTSSESSION_CHANGE:
      OnSessionChange(wParam);
      return 0;
    case WM_POWERBROADCAST:
      OnPowerBroadcast(wParam, lParam);
      return TRUE;
    default:
      return std::nullopt;
  }
}

void TakeAwayAtStart(const SessionAway& away) {
  if (away.locked) SetAway(sessionLock, true);
  if (away.notAtConsole) SetAway(consoleDisconnect, true);
}

void RecordRegistration(AwayRegistration registration, DWORD error) {
  (registration == AwayRegistration::Session ? Recorded().session : Recorded().display)
      .store(error);
}

// The session window (events.cpp) hears of everything; sleep's lamp-off is
// sent from its thread.
void WatchAway(PortHandle port) { DarkenOnAway(port); }

AwayState Away(SourceReplies* asked) {
  if (asked != nullptr) {
    NoteRefusal(asked, "WTSRegisterSessionNotification", Recorded().session.load());
    NoteRefusal(asked, "RegisterPowerSettingNotification", Recorded().display.load());
  }
  return AwayNow();
}

}  // namespace platform
