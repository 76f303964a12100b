// Caps Lock and Shift+Esc: from the X server under X; under Wayland, and
// without a display, Caps Lock from the kernel's LEDs and no Shift+Esc.
//
// Under Wayland the X readings would come through XWayland and follow the
// keyboard only while an X window has focus, so X is not asked for them.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <array>
#include <cstdlib>
#include <optional>

#include "platform/platform.h"
#include "platform/posix/desktop/caps_lock_leds.h"
#include "platform/posix/desktop/raw_keys.h"
#include "platform/posix/desktop/x_server.h"
#include "platform/posix/sysfs_ports.h"
#include "platform/source_replies.h"

namespace platform {
namespace {

constexpr std::string_view kXkb = "Xkb";
constexpr std::string_view kLeds = "*::capslock";
constexpr std::string_view kKeymap = "XQueryKeymap";

bool UnderWayland() {
  static const bool wayland = [] {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display != nullptr && *display != '\0';
  }();
  return wayland;
}

desktop::XServer* KeyboardsXServer() {
  return UnderWayland() ? nullptr : desktop::ConnectedXServer();
}

// What the last EscPressedSinceLastQuery found, for the ShiftIsDown that
// follows it.
desktop::EscReport& LastEscReport() {
  static desktop::EscReport report;
  return report;
}

// nullopt where there is no X server or it cannot tell.
std::optional<Toggle> XkbCapsLock(SourceReplies* asked) {
  if (UnderWayland()) return std::nullopt;
  desktop::XServer* server = KeyboardsXServer();
  if (server == nullptr || !server->xkb) {
    Note(asked, kXkb, Reply::NotReachable);
    return std::nullopt;
  }
  XkbStateRec state{};
  if (XkbGetState(server->display, XkbUseCoreKbd, &state) != Success || server->lost) {
    Note(asked, kXkb, Reply::Failed);
    return std::nullopt;
  }
  Note(asked, kXkb, Reply::Answered, [&] { return Hex(state.locked_mods); });
  return (state.locked_mods & LockMask) != 0 ? Toggle::On : Toggle::Off;
}

Toggle LedsCapsLock(SourceReplies* asked) {
  static desktop::CapsLockLeds leds(SysfsRoot());
  const Toggle lit = leds.Read(NowMs());
  if (lit == Toggle::Unknown) {
    Note(asked, kLeds, Reply::NotReachable);
  } else {
    Note(asked, kLeds, Reply::Answered, lit == Toggle::On ? "1" : "0");
  }
  return lit;
}

bool IsDown(Display* display, const std::array<char, 32>& keys, KeySym key) {
  const KeyCode code = XKeysymToKeycode(display, key);
  return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}

}  // namespace

KeyboardReach ReachOfKeyboard() {
  if (UnderWayland()) return KeyboardReach::Wayland;
  return KeyboardsXServer() != nullptr ? KeyboardReach::Full : KeyboardReach::NoDisplay;
}

bool EscPressedSinceLastQuery() {
  LastEscReport() = UnderWayland() ? desktop::EscReport{} : desktop::TakeEscReport();
  return LastEscReport().escPressed;
}

bool ShiftIsDown() { return LastEscReport().shiftDownAtEsc; }

Toggle CapsLock(SourceReplies* asked) {
  if (const std::optional<Toggle> xkb = XkbCapsLock(asked)) return *xkb;
  return LedsCapsLock(asked);
}

// The keymap of this client's own connection: the raw key events that the
// program reads are untouched by it.
KeysDown KeysDownNow(SourceReplies* asked) {
  desktop::XServer* server = KeyboardsXServer();
  if (server == nullptr) {
    Note(asked, kKeymap, Reply::NotReachable);
    return {};
  }
  std::array<char, 32> keys{};
  XQueryKeymap(server->display, keys.data());
  if (server->lost) {
    Note(asked, kKeymap, Reply::Failed);
    return {};
  }
  Note(asked, kKeymap, Reply::Answered);
  return {.esc = IsDown(server->display, keys, XK_Escape),
          .shift = IsDown(server->display, keys, XK_Shift_L) ||
                   IsDown(server->display, keys, XK_Shift_R)};
}

}  // namespace platform
