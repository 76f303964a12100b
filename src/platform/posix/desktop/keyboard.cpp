// Caps Lock and Shift+Esc from the X server.
#include <X11/XKBlib.h>

#include "platform/platform.h"
#include "platform/posix/desktop/raw_keys.h"
#include "platform/posix/desktop/x_server.h"

namespace platform {
namespace {

// What the last EscPressedSinceLastQuery found, for the ShiftIsDown that
// follows it.
desktop::EscReport& LastEscReport() {
  static desktop::EscReport report;
  return report;
}

}  // namespace

bool KeyboardReachable() { return desktop::ConnectedXServer() != nullptr; }

bool EscPressedSinceLastQuery() {
  LastEscReport() = desktop::TakeEscReport();
  return LastEscReport().escPressed;
}

bool ShiftIsDown() { return LastEscReport().shiftDownAtEsc; }

Toggle CapsLock() {
  desktop::XServer* server = desktop::ConnectedXServer();
  if (server == nullptr || !server->xkb) return Toggle::Unknown;
  XkbStateRec state{};
  if (XkbGetState(server->display, XkbUseCoreKbd, &state) != Success || server->lost) {
    return Toggle::Unknown;
  }
  return (state.locked_mods & LockMask) != 0 ? Toggle::On : Toggle::Off;
}

}  // namespace platform
