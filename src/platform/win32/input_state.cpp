// The keyboard's state, the foreground input method and the screen saver.
#include <windows.h>

#include <imm.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/source_replies.h"
#include "platform/win32/console_window.h"
#include "platform/win32/window_names.h"

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

struct ImeRequest {
  WPARAM request;
  std::string_view name;
};
constexpr ImeRequest kOpenStatus{kImcGetOpenStatus, "IMC_GETOPENSTATUS"};
constexpr ImeRequest kConversionMode{kImcGetConversionMode, "IMC_GETCONVERSIONMODE"};

ImeQuery QueryFor(DWORD error) {
  switch (error) {
    case ERROR_TIMEOUT:
      return ImeQuery::TimedOut;
    case ERROR_ACCESS_DENIED:
      return ImeQuery::Refused;
    default:
      return ImeQuery::Failed;
  }
}

Reply ReplyFor(ImeQuery query) {
  switch (query) {
    case ImeQuery::Answered:
      return Reply::Answered;
    case ImeQuery::TimedOut:
      return Reply::TimedOut;
    case ImeQuery::Refused:
      return Reply::Refused;
    default:
      return Reply::Failed;
  }
}

// With one of these down, Shift and Esc are another shortcut: Ctrl+Shift+Esc
// opens Task Manager, Alt+Shift+Esc switches windows.
bool OtherModifierDown() {
  return GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_LWIN) < 0 ||
         GetKeyState(VK_RWIN) < 0;
}

ImeQuery AskImeWindow(HWND imeWindow, const ImeRequest& request, std::int64_t& answer,
                      SourceReplies* asked) {
  DWORD_PTR result = 0;
  // A failure that sets no error of its own must not read as an old one.
  SetLastError(ERROR_SUCCESS);
  if (SendMessageTimeoutW(imeWindow, WM_IME_CONTROL, request.request, 0, kImeQueryFlags,
                          kImeQueryTimeoutMs, &result) != 0) {
    answer = static_cast<LRESULT>(result);
    Note(asked, request.name, Reply::Answered, [&] {
      return request.request == kImcGetOpenStatus ? std::to_string(answer) : Hex(result);
    });
    return ImeQuery::Answered;
  }
  const DWORD error = GetLastError();
  const ImeQuery query = QueryFor(error);
  Note(asked, request.name, ReplyFor(query), [error] { return std::to_string(error); });
  return query;
}

// A framed window (UWP's ApplicationFrameWindow) is not where the keys go:
// the text field that has the focus belongs to another thread, often of
// another process, and its input method is the one the user switches.
HWND KeyboardFocusOf(HWND foreground, SourceReplies* asked) {
  constexpr std::string_view kSource = "GetGUIThreadInfo";
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) {
    Note(asked, kSource, Reply::Failed, [] { return std::to_string(GetLastError()); });
    return foreground;
  }
  if (info.hwndFocus == nullptr) {
    Note(asked, kSource, Reply::Nothing);
    return foreground;
  }
  Note(asked, kSource, Reply::Answered, [&] { return win32::WindowClass(info.hwndFocus); });
  return info.hwndFocus;
}

}  // namespace

// The keyboard is always there to ask on Windows; Shift+Esc is not taken
// from a program started hidden.
KeyboardReach ReachOfKeyboard() {
  return win32::StartedHidden() ? KeyboardReach::NoConsoleWindow : KeyboardReach::Full;
}

bool EscPressedSinceLastQuery() {
  return !win32::StartedHidden() && (GetAsyncKeyState(VK_ESCAPE) & 1) != 0;
}

// Asked only after Shift, as Shift only after an Esc press.
bool ShiftIsDown() { return GetKeyState(VK_SHIFT) < 0 && !OtherModifierDown(); }

Toggle CapsLock(SourceReplies* asked) {
  const SHORT state = GetKeyState(VK_CAPITAL);
  Note(asked, "GetKeyState(VK_CAPITAL)", Reply::Answered,
       [state] { return Hex(static_cast<std::uint16_t>(state)); });
  switch (state) {
    case kToggledOn:
      return Toggle::On;
    case kToggledOff:
      return Toggle::Off;
    default:
      return Toggle::Unknown;
  }
}

ImeReading ForegroundIme(SourceReplies* asked) {
  ImeReading reading;
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) {
    Note(asked, "GetForegroundWindow", Reply::Nothing);
    return reading;
  }
  Note(asked, "GetForegroundWindow", Reply::Answered,
       [foreground] { return win32::WindowAndProgram(foreground); });
  const HWND imeWindow = ImmGetDefaultIMEWnd(KeyboardFocusOf(foreground, asked));
  if (imeWindow == nullptr) {
    Note(asked, "ImmGetDefaultIMEWnd", Reply::Nothing);
    return reading;
  }
  Note(asked, "ImmGetDefaultIMEWnd", Reply::Answered,
       [imeWindow] { return win32::WindowClass(imeWindow); });
  reading.query = AskImeWindow(imeWindow, kOpenStatus, reading.status.openStatus, asked);
  // A window that left the first question unanswered would cost the second
  // as long again.
  if (reading.query == ImeQuery::Answered) {
    reading.query = AskImeWindow(imeWindow, kConversionMode, reading.status.conversionMode, asked);
  }
  return reading;
}

bool ScreenSaverRunning(SourceReplies* asked) {
  constexpr std::string_view kSource = "SPI_GETSCREENSAVERRUNNING";
  BOOL running = FALSE;
  if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) {
    Note(asked, kSource, Reply::Failed, [] { return std::to_string(GetLastError()); });
    return false;
  }
  Note(asked, kSource, Reply::Answered, running != FALSE ? "1" : "0");
  return running != FALSE;
}

// Only the high-order bit, the key's state now. Every call also resets the
// session's pressed-since bit that morvane reads for Shift+Esc, so Esc is
// asked only while Shift is up, when a press taken from morvane could not
// have ended it.
KeysDown KeysDownNow(SourceReplies* asked) {
  Note(asked, "GetAsyncKeyState", Reply::Answered);
  KeysDown keys;
  keys.shift = GetAsyncKeyState(VK_SHIFT) < 0;
  if (!*keys.shift) {
    keys.esc = GetAsyncKeyState(VK_ESCAPE) < 0;
  }
  return keys;
}

}  // namespace platform
