// Caps Lock and Shift+Esc: from the X server under X; under Wayland, and
// without a display, Caps Lock from the kernel's LEDs and no Shift+Esc.
//
// Under Wayland the X readings would come through XWayland and follow the
// keyboard only while an X window has focus, so X is not asked for them.
#include <X11/XKBlib.h>

#include <cstdlib>
#include <optional>

#include "platform/platform.h"
#include "platform/posix/desktop/caps_lock_leds.h"
#include "platform/posix/desktop/raw_keys.h"
#include "platform/posix/desktop/x_server.h"
#include "platform/posix/sysfs_ports.h"

namespace platform {
namespace {

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
std::optional<Toggle> XkbCapsLock() {
  desktop::XServer* server = KeyboardsXServer();
  if (server == nullptr || !server->xkb) return std::nullopt;
  XkbStateRec state{};
  if (XkbGetState(server->display, XkbUseCoreKbd, &state) != Success || server->lost) {
    return std::nullopt;
  }
  return (state.locked_mods & LockMask) != 0 ? Toggle::On : Toggle::Off;
}

Toggle LedsCapsLock() {
  static desktop::CapsLockLeds leds(SysfsRoot());
  return leds.Read(NowMs());
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

Toggle CapsLock() {
  if (const std::optional<Toggle> xkb = XkbCapsLock()) return *xkb;
  return LedsCapsLock();
}

}  // namespace platform
