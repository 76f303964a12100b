#include "platform/linux/desktop/x_server.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/scrnsaver.h>

namespace platform::desktop {
namespace {

// Xlib's own handlers print and exit; the lamp must still be put out at the
// program's end, so a broken or refused request only makes a source unknown.
int IgnoreProtocolError(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }
int IgnoreIoError(Display* /*display*/) { return 0; }

void MarkLost(Display* /*display*/, void* server) { static_cast<XServer*>(server)->lost = true; }

bool HasXkb(Display* display) {
  int opcode = 0;
  int event = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  return XkbQueryExtension(display, &opcode, &event, &error, &major, &minor) != False;
}

// Version 2.2 is asked for because from 2.1 on raw events reach the root
// window even while another client grabs the keyboard.
std::optional<int> XinputOpcode(Display* display) {
  int opcode = 0;
  int event = 0;
  int error = 0;
  if (XQueryExtension(display, "XInputExtension", &opcode, &event, &error) == False) {
    return std::nullopt;
  }
  int major = 2;
  int minor = 2;
  if (XIQueryVersion(display, &major, &minor) != Success) return std::nullopt;
  return opcode;
}

bool HasScreenSaver(Display* display) {
  int event = 0;
  int error = 0;
  return XScreenSaverQueryExtension(display, &event, &error) != False;
}

XServer* Open() {
  XSetErrorHandler(IgnoreProtocolError);
  XSetIOErrorHandler(IgnoreIoError);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  auto* server =
      new XServer{display, HasXkb(display), XinputOpcode(display), HasScreenSaver(display), false};
  XSetIOErrorExitHandler(display, MarkLost, server);
  return server;
}

}  // namespace

XServer* ConnectedXServer() {
  // Never closed: the process's end takes the connection down with it.
  static XServer* const server = Open();
  if (server == nullptr || server->lost) return nullptr;
  return server;
}

}  // namespace platform::desktop
