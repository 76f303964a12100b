// Caps Lock and Shift+Esc, the input method and the screen saver.
//
// Caps Lock and Shift+Esc come from the X server under X; under Wayland, and
// without a display, Caps Lock from the kernel's LEDs and no Shift+Esc. Under
// Wayland the X readings would come through XWayland and follow the keyboard
// only while an X window has focus, so X is not asked for them.
//
// The input method is fcitx5's, or IBus's where fcitx5 is not running; the
// screen saver the X server's screen-saver extension or the desktop's
// org.freedesktop.ScreenSaver service.
#include <X11/XKBlib.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include <systemd/sd-bus.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/desktop/caps_lock_leds.h"
#include "platform/linux/desktop/fcitx_tray.h"
#include "platform/linux/desktop/ibus_engine.h"
#include "platform/linux/desktop/ibus_panel.h"
#include "platform/linux/desktop/ime_answers.h"
#include "platform/linux/desktop/input_mode.h"
#include "platform/linux/desktop/lasting_bus.h"
#include "platform/linux/desktop/raw_keys.h"
#include "platform/linux/desktop/x_server.h"
#include "platform/linux/sysfs_ports.h"
#include "platform/platform.h"
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

constexpr std::string_view kFcitx = "fcitx5";
constexpr std::string_view kFcitxTray = "fcitx5 tray";
constexpr std::string_view kIbus = "IBus";
constexpr std::string_view kIbusInputMode = "IBus InputMode";

ImeReading ReadingOf(const std::optional<ImeStatus>& status) {
  if (!status) return {};
  return {.query = ImeQuery::Answered, .status = *status};
}

ImeQuery QueryFor(Reply reply) {
  switch (reply) {
    case Reply::TimedOut:
      return ImeQuery::TimedOut;
    case Reply::Refused:
      return ImeQuery::Refused;
    default:
      return ImeQuery::Failed;
  }
}

ImeReading IbusIme(SourceReplies* asked) {
  // The engine's own mode where it told one; else its name.
  const desktop::ToldMode::Heard mode = desktop::IbusInputMode();
  if (mode.told) {
    Note(asked, kIbusInputMode, Reply::Answered, mode.Text());
    if (const auto ime = desktop::ImeFromIbusInputMode(mode.Text())) return ReadingOf(ime);
  }
  Reply reply = Reply::NotReachable;
  const std::optional<std::string> engine = desktop::IbusGlobalEngine(reply);
  if (!engine) {
    Note(asked, kIbus, reply);
    if (reply == Reply::NotReachable) return {};
    return {.query = QueryFor(reply), .status = {}};
  }
  Note(asked, kIbus, Reply::Answered, *engine);
  return ReadingOf(desktop::ImeFromIbusEngine(*engine));
}

constexpr std::string_view kXScreenSaver = "MIT-SCREEN-SAVER";
constexpr std::string_view kDesktopScreenSaver = "org.freedesktop.ScreenSaver";

std::string_view StateName(int state) {
  switch (state) {
    case ScreenSaverOn:
      return "On";
    case ScreenSaverOff:
      return "Off";
    default:
      return "Disabled";
  }
}

bool XScreenSaverOn(SourceReplies* asked) {
  desktop::XServer* server = desktop::ConnectedXServer();
  if (server == nullptr || !server->screenSaver) {
    Note(asked, kXScreenSaver, Reply::NotReachable);
    return false;
  }
  XScreenSaverInfo info{};
  if (XScreenSaverQueryInfo(server->display, DefaultRootWindow(server->display), &info) == 0 ||
      server->lost) {
    Note(asked, kXScreenSaver, Reply::Failed);
    return false;
  }
  Note(asked, kXScreenSaver, Reply::Answered, StateName(info.state));
  return info.state == ScreenSaverOn;
}

bool DesktopScreenSaverActive(SourceReplies* asked) {
  constexpr desktop::Method kGetActive{"org.freedesktop.ScreenSaver",
                                       "/org/freedesktop/ScreenSaver",
                                       "org.freedesktop.ScreenSaver", "GetActive"};
  desktop::CallError error;
  const desktop::Message reply = desktop::SessionBus().Call(kGetActive, error);
  if (!reply) {
    Note(asked, kDesktopScreenSaver, desktop::ReplyOf(error), error.Name());
    return false;
  }
  int active = 0;
  if (sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_BOOLEAN, &active) < 0) {
    Note(asked, kDesktopScreenSaver, Reply::Failed);
    return false;
  }
  Note(asked, kDesktopScreenSaver, Reply::Answered, active != 0 ? "true" : "false");
  return active != 0;
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

ImeReading ForegroundIme(SourceReplies* asked) {
  constexpr desktop::Method kFcitxState{"org.fcitx.Fcitx5", "/controller",
                                        "org.fcitx.Fcitx.Controller1", "State"};
  desktop::CallError error;
  const desktop::Message reply = desktop::SessionBus().Call(kFcitxState, error);
  if (reply) {
    std::int32_t state = 0;
    if (sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_INT32, &state) < 0) {
      Note(asked, kFcitx, Reply::Failed);
      return {.query = ImeQuery::Failed, .status = {}};
    }
    Note(asked, kFcitx, Reply::Answered, [state] { return std::to_string(state); });
    const desktop::ToldMode::Heard icon = desktop::FcitxTrayIcon();
    if (icon.told) Note(asked, kFcitxTray, Reply::Answered, icon.Text());
    return ReadingOf(desktop::ImeFromFcitx(state, icon.Said()));
  }
  const Reply fcitx = desktop::ReplyOf(error);
  Note(asked, kFcitx, fcitx, error.Name());
  // fcitx5 is running but did not answer: unknown this cycle. IBus is asked
  // only where fcitx5 is absent, for fcitx5 may answer at IBus's address too.
  if (fcitx != Reply::NotReachable) return {.query = QueryFor(fcitx), .status = {}};
  return IbusIme(asked);
}

bool ScreenSaverRunning(SourceReplies* asked) {
  return XScreenSaverOn(asked) || DesktopScreenSaverActive(asked);
}

}  // namespace platform
