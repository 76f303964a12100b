#include "platform/linux/desktop/x_server.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/scrnsaver.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/console_writer.h"

namespace platform::desktop {
namespace {

// How long the first use waits for the display to answer: a connection
// over ssh takes a few round trips. A display that has not answered by then
// counts as none until it does.
constexpr auto kOpenWait = std::chrono::milliseconds(500);

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
  auto* server = new XServer{.display = display,
                             .xkb = false,
                             .xinputOpcode = std::nullopt,
                             .screenSaver = false,
                             .lost = false};
  // Before the first request: Xlib would end the process on a connection
  // that breaks without it.
  XSetIOErrorExitHandler(display, MarkLost, server);
  server->xkb = HasXkb(display);
  server->xinputOpcode = XinputOpcode(display);
  server->screenSaver = HasScreenSaver(display);
  return server;
}

// The display being opened on a thread of its own, so that one that never
// answers (a dead ssh X11 forwarding) holds up neither the start nor a cycle.
struct Opening {
  std::mutex mutex;
  std::condition_variable done;
  bool opened = false;
  XServer* server = nullptr;
};

Opening& TheOpening() {
  // Never destroyed: its thread may still wait on the display at the end.
  static auto* const opening = new Opening;
  return *opening;
}

void OpenAside() {
  XServer* const server = Open();
  Opening& opening = TheOpening();
  {
    const std::lock_guard lock(opening.mutex);
    opening.server = server;
    opening.opened = true;
  }
  opening.done.notify_all();
}

// Started by the first call, which waits kOpenWait for the display; later
// calls never wait. Where no thread can be started, the display is opened
// by the caller.
XServer* OpenedXServer() {
  static const auto waitUntil = [] {
    if (!platform::detail::StartQuietThread(OpenAside)) OpenAside();
    return std::chrono::steady_clock::now() + kOpenWait;
  }();
  Opening& opening = TheOpening();
  std::unique_lock lock(opening.mutex);
  opening.done.wait_until(lock, waitUntil, [&opening] { return opening.opened; });
  return opening.server;
}

}  // namespace

XServer* ConnectedXServer() {
  // Never closed: the process's end takes the connection down with it.
  XServer* const server = OpenedXServer();
  if (server == nullptr || server->lost) return nullptr;
  return server;
}

}  // namespace platform::desktop
