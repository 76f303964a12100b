// The screen saver from the X server's screen-saver extension or from the
// desktop's org.freedesktop.ScreenSaver service.
#include <X11/extensions/scrnsaver.h>

#include "platform/platform.h"
#include "platform/posix/desktop/lasting_bus.h"
#include "platform/posix/desktop/x_server.h"
#include "platform/source_replies.h"

namespace platform {
namespace {

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

bool ScreenSaverRunning(SourceReplies* asked) {
  return XScreenSaverOn(asked) || DesktopScreenSaverActive(asked);
}

}  // namespace platform
