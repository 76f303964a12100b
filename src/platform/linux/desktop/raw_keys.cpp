#include "platform/linux/desktop/raw_keys.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <array>
#include <optional>

#include "platform/linux/desktop/x_server.h"

namespace platform::desktop {
namespace {

struct KeyCodes {
  KeyCode leftShift = 0;
  KeyCode rightShift = 0;
  KeyCode esc = 0;
};

struct Watch {
  int xinputOpcode = 0;
  KeyCodes codes;
  KeyTracker tracker;
};

using Keymap = std::array<char, 32>;  // one bit per keycode, as XQueryKeymap fills it

bool IsDown(const Keymap& keymap, KeyCode code) {
  constexpr int kBitsPerByte = 8;
  return code != 0 &&
         ((static_cast<unsigned char>(keymap[code / kBitsPerByte]) >> (code % kBitsPerByte)) & 1U);
}

KeyRole RoleOf(const KeyCodes& codes, int keycode) {
  if (keycode == 0) return KeyRole::Other;
  if (keycode == codes.leftShift) return KeyRole::LeftShift;
  if (keycode == codes.rightShift) return KeyRole::RightShift;
  if (keycode == codes.esc) return KeyRole::Esc;
  return KeyRole::Other;
}

bool SelectRawKeys(Display* display) {
  std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
  XISetMask(bits.data(), XI_RawKeyPress);
  XISetMask(bits.data(), XI_RawKeyRelease);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
  return XISelectEvents(display, DefaultRootWindow(display), &mask, 1) == Success;
}

std::optional<Watch> StartWatch(const XServer& server) {
  Display* display = server.display;
  if (!server.xinputOpcode || !SelectRawKeys(display)) return std::nullopt;
  const KeyCodes codes{XKeysymToKeycode(display, XK_Shift_L), XKeysymToKeycode(display, XK_Shift_R),
                       XKeysymToKeycode(display, XK_Escape)};
  // A Shift already held when the watch starts has sent its press before it.
  Keymap keymap{};
  XQueryKeymap(display, keymap.data());
  return Watch{*server.xinputOpcode, codes,
               KeyTracker(IsDown(keymap, codes.leftShift), IsDown(keymap, codes.rightShift))};
}

void Follow(Watch& watch, const XIRawEvent& raw) {
  const KeyRole role = RoleOf(watch.codes, raw.detail);
  if (raw.evtype == XI_RawKeyPress) {
    watch.tracker.Press(role);
  } else if (raw.evtype == XI_RawKeyRelease) {
    watch.tracker.Release(role);
  }
}

// Reads only what has already arrived: XPending never waits.
void Drain(Display* display, Watch& watch) {
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != watch.xinputOpcode) continue;
    if (XGetEventData(display, &cookie) == False) continue;
    Follow(watch, *static_cast<const XIRawEvent*>(cookie.data));
    XFreeEventData(display, &cookie);
  }
}

}  // namespace

EscReport TakeEscReport() {
  XServer* server = ConnectedXServer();
  if (server == nullptr) return {};
  static std::optional<Watch> watch = StartWatch(*server);
  if (!watch) return {};
  Drain(server->display, *watch);
  return watch->tracker.TakeReport();
}

}  // namespace platform::desktop
