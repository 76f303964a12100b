// The screen saver from the X server's screen-saver extension or from the
// desktop's org.freedesktop.ScreenSaver service.
#include <X11/extensions/scrnsaver.h>

#include "platform/platform.h"
#include "platform/posix/desktop/lasting_bus.h"
#include "platform/posix/desktop/x_server.h"

namespace platform {
namespace {

bool XScreenSaverOn() {
  desktop::XServer* server = desktop::ConnectedXServer();
  if (server == nullptr || !server->screenSaver) return false;
  XScreenSaverInfo info{};
  if (XScreenSaverQueryInfo(server->display, DefaultRootWindow(server->display), &info) == 0 ||
      server->lost) {
    return false;
  }
  return info.state == ScreenSaverOn;
}

bool DesktopScreenSaverActive() {
  constexpr desktop::Method kGetActive{"org.freedesktop.ScreenSaver",
                                       "/org/freedesktop/ScreenSaver",
                                       "org.freedesktop.ScreenSaver", "GetActive"};
  return desktop::AnswersTrue(desktop::SessionBus(), kGetActive);
}

}  // namespace

bool ScreenSaverRunning() { return XScreenSaverOn() || DesktopScreenSaverActive(); }

}  // namespace platform
