// The keyboard's state, the foreground input method and the screen saver.
#include <windows.h>

#include <imm.h>

#include <cstdint>

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

// SMTO_ABORTIFHUNG gives up at once on an application that Windows already
// counts as hung, which it does only after about 5 s without messages; until
// then the time-out bounds the wait. SMTO_BLOCK takes no other messages
// meanwhile, SMTO_ERRORONEXIT returns as soon as the window's thread ends.
constexpr UINT kImeQueryFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK | SMTO_ERRORONEXIT;
constexpr UINT kImeQueryTimeoutMs = 100;

ImeQuery AskImeWindow(HWND imeWindow, WPARAM request, std::int64_t& answer) {
  DWORD_PTR result = 0;
  // A failure that sets no error of its own must not read as an old one.
  SetLastError(ERROR_SUCCESS);
  if (SendMessageTimeoutW(imeWindow, WM_IME_CONTROL, request, 0, kImeQueryFlags, kImeQueryTimeoutMs,
                          &result) != 0) {
    answer = static_cast<LRESULT>(result);
    return ImeQuery::Answered;
  }
  switch (GetLastError()) {
    case ERROR_TIMEOUT:
      return ImeQuery::TimedOut;
    case ERROR_ACCESS_DENIED:
      return ImeQuery::Refused;
    default:
      return ImeQuery::Failed;
  }
}

// A framed window (UWP's ApplicationFrameWindow) is not where the keys go:
// the text field that has the focus belongs to another thread, often of
// another process, and its input method is the one the user switches.
HWND KeyboardFocusOf(HWND foreground) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
  if (thread != 0 && GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) {
    return info.hwndFocus;
  }
  return foreground;
}

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

ImeReading ForegroundIme() {
  ImeReading reading;
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) {
    return reading;
  }
  const HWND imeWindow = ImmGetDefaultIMEWnd(KeyboardFocusOf(foreground));
  if (imeWindow == nullptr) {
    return reading;
  }
  reading.query = AskImeWindow(imeWindow, kImcGetOpenStatus, reading.status.openStatus);
  // A window that left the first question unanswered would cost the second
  // as long again.
  if (reading.query == ImeQuery::Answered) {
    reading.query = AskImeWindow(imeWindow, kImcGetConversionMode, reading.status.conversionMode);
  }
  return reading;
}

bool ScreenSaverRunning() {
  BOOL running = FALSE;
  if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) {
    return false;
  }
  return running != FALSE;
}

}  // namespace platform
