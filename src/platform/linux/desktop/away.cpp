// Nobody at the computer: logind's session and sleep, which its own thread
// follows, and GNOME's lock screen, which has no signal to follow and is
// asked each cycle.
#include "platform/away.h"

#include "platform/linux/desktop/lasting_bus.h"
#include "platform/linux/desktop/logind.h"
#include "platform/platform.h"

namespace platform {
namespace {

// GNOME's lock screen, apart from logind's own lock of the session.
constinit AwaySource gnomeLockScreen(AwayReason::Locked);

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

// Nothing is noted: no request is refused for good here, as logind's thread
// connects again by itself and GNOME's lock screen is asked each cycle.
AwayState Away(SourceReplies* /*asked*/) {
  SetAway(gnomeLockScreen, GnomeScreenLocked());
  return AwayNow();
}

}  // namespace platform
