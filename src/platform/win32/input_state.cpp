// The keyboard's state, the foreground input method and the screen saver.
#include <windows.h>

#include <imm.h>

#include <optional>

#include "platform/platform.h"

namespace platform {
namespace {

// Requests to an input method's default window through WM_IME_CONTROL.
// MinGW's imm.h does not name them.
constexpr WPARAM kImcGetConversionMode = 0x0001;
constexpr WPARAM kImcGetOpenStatus = 0x0005;

// GetKeyState's answer for a toggle key that is up: its low bit is the
// toggle. A key held down sets the high bit and hides the state.
constexpr SHORT kToggledOff = 0;
constexpr SHORT kToggledOn = 1;

}  // namespace

// The keyboard is always there to ask on Windows.
KeyboardReach ReachOfKeyboard() { return KeyboardReach::Full; }

bool EscPressedSinceLastQuery() { return (GetAsyncKeyState(VK_ESCAPE) & 1) != 0; }

bool ShiftIsDown() { return GetKeyState(VK_SHIFT) < 0; }

Toggle CapsLock() {
  switch (GetKeyState(VK_CAPITAL)) {
    case kToggledOn:
      return Toggle::On;
    case kToggledOff:
      return Toggle::Off;
    default:
      return Toggle::Unknown;
  }
}

std::optional<ImeStatus> ForegroundIme() {
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) {
    return std::nullopt;
  }
  const HWND imeWindow = ImmGetDefaultIMEWnd(foreground);
  if (imeWindow == nullptr) {
    return std::nullopt;
  }
  ImeStatus status;
  status.openStatus = SendMessageA(imeWindow, WM_IME_CONTROL, kImcGetOpenStatus, 0);
  status.conversionMode = SendMessageA(imeWindow, WM_IME_CONTROL, kImcGetConversionMode, 0);
  return status;
}

bool ScreenSaverRunning() {
  BOOL running = FALSE;
  if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) {
    return false;
  }
  return running != FALSE;
}

}  // namespace platform
