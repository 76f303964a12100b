#include "platform/win32/away_messages.h"

#include <wtsapi32.h>

#include "platform/away.h"

namespace platform {
namespace {

// GUID_CONSOLE_DISPLAY_STATE: its data says 0 off, 1 on, 2 dimmed.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr DWORD kDisplayOff = 0;

// The sources that the messages below set, each apart (see AwaySource).
constinit AwaySource sessionLock(AwayReason::Locked);
constinit AwaySource consoleDisconnect(AwayReason::Locked);
constinit AwaySource displayState(AwayReason::DisplayOff);
constinit AwaySource suspend(AwayReason::Sleeping);

void OnSessionChange(WPARAM change) {
  switch (change) {
    case WTS_SESSION_LOCK:
    case WTS_SESSION_UNLOCK:
      SetAway(sessionLock, change == WTS_SESSION_LOCK);
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
}

void OnPowerBroadcast(WPARAM event, LPARAM lParam) {
  switch (event) {
    case PBT_APMSUSPEND:
      SetAway(suspend, true);
      break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
      SetAway(suspend, false);
      break;
    case PBT_POWERSETTINGCHANGE:
      OnPowerSetting(lParam);
      break;
    default:
      break;
  }
}

}  // namespace

void HearAwayMessages(HWND window) {
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

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

// The session window (events.cpp) hears of everything; sleep's lamp-off is
// sent from its thread.
void WatchAway(PortHandle port) { DarkenOnAway(port); }

AwayState Away() { return AwayNow(); }

}  // namespace platform
