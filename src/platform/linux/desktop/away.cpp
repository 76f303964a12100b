// Nobody at the computer: logind's session and sleep, which its own thread
// follows, and GNOME's lock screen, which has no signal to follow and is
// asked each cycle.
#include "platform/away.h"

#include "platform/platform.h"
#include "platform/linux/desktop/lasting_bus.h"
#include "platform/linux/desktop/logind.h"

namespace platform {
namespace {

bool GnomeScreenLocked() {
  constexpr desktop::Method kGetActive{"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                                       "org.gnome.ScreenSaver", "GetActive"};
  return desktop::AnswersTrue(desktop::SessionBus(), kGetActive);
}

}  // namespace

void WatchAway(PortHandle port) {
  DarkenOnAway(port);
  desktop::FollowLogind();
}

AwayState Away() {
  SetAway(AwaySource::ScreenLocked, GnomeScreenLocked());
  return AwayNow();
}

}  // namespace platform
