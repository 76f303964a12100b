// The session window's away messages through the program's own handling
// (src/platform/win32/away.cpp and the shared away state), with the
// lamp's port written to memory. The display state arrives as a pointer to a
// record, which no other process can post: it is handed over here. Under
// Wine, as a Windows program; its exit status is the number of failed checks.
#include <initguid.h>
// initguid.h first, so that the system's GUID_CONSOLE_DISPLAY_STATE is
// defined here and checks the program's own copy.
#include <windows.h>
#include <wtsapi32.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/away_messages.h"

namespace {

std::string& Written() {
  static std::string written;
  return written;
}

int failures = 0;

void Check(bool passed, const char* what) {
  if (passed) return;
  ++failures;
  (void)std::fprintf(stderr, "failed: %s\n", what);
}

// The display state's record as the system lays it out: the setting's
// GUID, the data's length, then the data.
std::vector<unsigned char> DisplayRecord(const GUID& setting, DWORD state) {
  std::vector<unsigned char> record(offsetof(POWERBROADCAST_SETTING, Data) + sizeof(state));
  POWERBROADCAST_SETTING header{};
  header.PowerSetting = setting;
  header.DataLength = sizeof(state);
  std::memcpy(record.data(), &header, offsetof(POWERBROADCAST_SETTING, Data));
  std::memcpy(record.data() + offsetof(POWERBROADCAST_SETTING, Data), &state, sizeof(state));
  return record;
}

std::optional<LRESULT> Display(const GUID& setting, DWORD state) {
  const std::vector<unsigned char> record = DisplayRecord(setting, state);
  return platform::OnAwayMessage(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                 reinterpret_cast<LPARAM>(record.data()));
}

std::optional<LRESULT> Session(WPARAM change) {
  return platform::OnAwayMessage(WM_WTSSESSION_CHANGE, change, 0);
}

std::optional<LRESULT> Power(WPARAM event) {
  return platform::OnAwayMessage(WM_POWERBROADCAST, event, 0);
}

using platform::AwayReason;

bool Away(AwayReason reason) { return platform::Away().Has(reason); }

bool Nobody() { return !platform::Away().Any(); }

// Each away state darkens the lamp once as it begins, holds back the state
// bytes while it lasts, and lets them through when it ends.
void ChecksAPeriod(const char* name, AwayReason reason, const std::function<void()>& leave,
                   const std::function<void()>& back) {
  platform::SystemError error;
  Written().clear();
  leave();
  const bool darkened = Written() == "rgb";
  Check(darkened, name);
  Check(Away(reason), name);
  Check(platform::WriteStateByte(platform::PortHandle{5}, 'R', error) && Written() == "rgb", name);
  back();
  Check(Nobody(), name);
  Check(platform::WriteStateByte(platform::PortHandle{5}, 'R', error) && Written() == "rgbR", name);
}

}  // namespace

namespace platform {
bool WriteHeld(PortHandle /*port*/, char byte, SystemError& /*error*/) {
  Written() += byte;
  return true;
}
}  // namespace platform

int main() {
  // Before the port is watched the state is followed, and nothing is sent.
  Power(PBT_APMSUSPEND);
  Check(Away(AwayReason::Sleeping) && Written().empty(), "sleep before the port is watched");
  Power(PBT_APMRESUMEAUTOMATIC);
  Check(Nobody(), "resumed before the port is watched");

  platform::WatchAway(platform::PortHandle{5});
  ChecksAPeriod(
      "display off", AwayReason::DisplayOff,
      [] { Check(Display(GUID_CONSOLE_DISPLAY_STATE, 0) == TRUE, "display off answer"); },
      [] { Display(GUID_CONSOLE_DISPLAY_STATE, 1); });
  ChecksAPeriod(
      "locked", AwayReason::Locked, [] { Check(Session(WTS_SESSION_LOCK) == 0, "lock answer"); },
      [] { Session(WTS_SESSION_UNLOCK); });
  ChecksAPeriod(
      "not at the console", AwayReason::Locked, [] { Session(WTS_CONSOLE_DISCONNECT); },
      [] { Session(WTS_CONSOLE_CONNECT); });
  ChecksAPeriod(
      "going to sleep", AwayReason::Sleeping,
      [] { Check(Power(PBT_APMSUSPEND) == TRUE, "suspend answer"); },
      [] { Power(PBT_APMRESUMESUSPEND); });

  // A resume that never comes: the display coming on, or the unlock, ends
  // the sleep; dimmed does not.
  Power(PBT_APMSUSPEND);
  Display(GUID_CONSOLE_DISPLAY_STATE, 2);
  Check(platform::Away().Has(platform::AwayReason::Sleeping), "dimmed after a suspend");
  Display(GUID_CONSOLE_DISPLAY_STATE, 1);
  Check(Nobody(), "the display on after a suspend");
  Power(PBT_APMSUSPEND);
  Session(WTS_SESSION_UNLOCK);
  Check(Nobody(), "the unlock after a suspend");

  // Dimmed is not off; another setting's record is not the display's.
  Display(GUID_CONSOLE_DISPLAY_STATE, 2);
  Check(Nobody(), "dimmed");
  Display(GUID_ACDC_POWER_SOURCE, 0);
  Check(Nobody(), "another setting");
  // A lock while the display is off is a period of its own, and a lamp-off.
  Display(GUID_CONSOLE_DISPLAY_STATE, 0);
  Written().clear();
  Session(WTS_SESSION_LOCK);
  Display(GUID_CONSOLE_DISPLAY_STATE, 1);
  Check(Away(AwayReason::Locked) && !Away(AwayReason::DisplayOff) && Written() == "rgb",
        "the lock outlasts the display");
  // Two sources of one reason: the session's lock ending leaves the console
  // away, and the state bytes held back.
  Session(WTS_CONSOLE_DISCONNECT);
  Session(WTS_SESSION_UNLOCK);
  platform::SystemError error;
  Check(Away(AwayReason::Locked) && platform::WriteStateByte(platform::PortHandle{5}, 'R', error) &&
            Written().find('R') == std::string::npos,
        "the console outlasts the lock");
  Session(WTS_CONSOLE_CONNECT);
  Check(Nobody(), "back at the console");

  Check(!platform::OnAwayMessage(WM_QUERYENDSESSION, 0, 0), "other messages pass");

  // A registration still refused is noted for morvane-probe; one made, not.
  platform::RecordRegistration(platform::AwayRegistration::Session, RPC_S_INVALID_BINDING);
  platform::SourceReplies asked;
  platform::Away(&asked);
  Check(asked.size() == 1 && asked[0].source == "WTSRegisterSessionNotification" &&
            asked[0].reply == platform::Reply::Failed && asked[0].value == "1702",
        "a refused registration noted");
  platform::RecordRegistration(platform::AwayRegistration::Session, ERROR_SUCCESS);
  asked.clear();
  platform::Away(&asked);
  Check(asked.empty(), "a registration made not noted");
  (void)std::printf("%d failed\n", failures);
  return failures;
}
