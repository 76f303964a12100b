#include "platform/linux/desktop/logind.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/away.h"
#include "platform/linux/desktop/bus_thread.h"

namespace platform::desktop {
namespace {

constexpr char kLogin[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";
constexpr char kSession[] = "org.freedesktop.login1.Session";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr std::uint64_t kCallTimeoutUs = 100'000;
// A system bus that is not there, or broke, is tried again this much later.
constexpr auto kReconnectPause = std::chrono::seconds(5);

// The session's LockedHint, its Active turning false (not the one at the
// console), and PrepareForSleep.
constinit AwaySource lockedHint(AwayReason::Locked);
constinit AwaySource inactive(AwayReason::Locked);
constinit AwaySource prepareForSleep(AwayReason::Sleeping);

// Reads the session's properties from a{sv} (GetAll's answer, or
// PropertiesChanged after its interface name) into the away sources.
void ReadSessionProperties(sd_bus_message* message) {
  if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}") < 0) return;
  while (sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv") > 0) {
    const char* name = nullptr;
    int value = 0;
    if (sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &name) < 0) return;
    const bool locked = std::strcmp(name, "LockedHint") == 0;
    const bool active = std::strcmp(name, "Active") == 0;
    if ((locked || active) && sd_bus_message_read(message, "v", "b", &value) >= 0) {
      SetAway(locked ? lockedHint : inactive, locked == (value != 0));
    } else if (sd_bus_message_skip(message, "v") < 0) {
      return;
    }
    if (sd_bus_message_exit_container(message) < 0) return;
  }
}

class Logind {
 public:
  explicit Logind(sd_bus* bus) : bus_(bus) {}
  Logind(const Logind&) = delete;
  Logind& operator=(const Logind&) = delete;
  ~Logind() { ReleaseInhibitor(); }

  // Returns when the bus broke.
  void Follow() {
    if (sd_bus_match_signal(bus_, nullptr, kLogin, kManagerPath, kManager, "PrepareForSleep",
                            OnPrepareForSleep, this) < 0) {
      return;
    }
    FollowSession();
    ServeUntilBroken(bus_, [this] {
      if (inhibitorWanted_) TakeInhibitor();
    });
  }

 private:
  template <class... Arguments>
  Message Call(const char* path, const char* interface, const char* member, const char* types,
               Arguments... arguments) {
    return CallWaiting(bus_, {kLogin, path, interface, member}, types, arguments...);
  }

  // The program's own session; where it runs outside one (a user service),
  // the user's display session.
  std::string SessionPath() {
    Message reply =
        Call(kManagerPath, kManager, "GetSessionByPID", "u", static_cast<std::uint32_t>(getpid()));
    if (!reply) reply = Call(kManagerPath, kManager, "GetSession", "s", "auto");
    const char* path = nullptr;
    if (!reply || sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_OBJECT_PATH, &path) < 0) {
      return {};
    }
    return path;
  }

  void FollowSession() {
    const std::string path = SessionPath();
    // Subscribed before the first reading, so that no change falls between.
    if (path.empty() || sd_bus_match_signal(bus_, nullptr, kLogin, path.c_str(), kProperties,
                                            "PropertiesChanged", OnSessionChanged, this) < 0) {
      return;
    }
    const Message all = Call(path.c_str(), kProperties, "GetAll", "s", kSession);
    if (all) ReadSessionProperties(all.get());
  }

  void TakeInhibitor() {
    inhibitorWanted_ = false;
    const Message reply = Call(kManagerPath, kManager, "Inhibit", "ssss", "sleep", "morvane",
                               "スリープの前にランプを消します", "delay");
    int fd = -1;
    if (!reply || sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_UNIX_FD, &fd) < 0) return;
    // The descriptor belongs to the reply, which goes now.
    inhibitor_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }

  void ReleaseInhibitor() {
    if (inhibitor_ >= 0) close(inhibitor_);
    inhibitor_ = -1;
  }

  static int OnPrepareForSleep(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
    int starting = 0;
    if (sd_bus_message_read_basic(message, SD_BUS_TYPE_BOOLEAN, &starting) < 0) return 0;
    auto* logind = static_cast<Logind*>(self);
    SetAway(prepareForSleep, starting != 0);
    if (starting != 0) {
      // The lamp is dark: the system may sleep.
      logind->ReleaseInhibitor();
    } else {
      logind->inhibitorWanted_ = true;
    }
    return 0;
  }

  static int OnSessionChanged(sd_bus_message* message, void* /*self*/, sd_bus_error* /*error*/) {
    if (sd_bus_message_skip(message, "s") >= 0) ReadSessionProperties(message);
    return 0;
  }

  sd_bus* bus_;
  int inhibitor_ = -1;
  bool inhibitorWanted_ = true;
};

void ForgetLogind() {
  for (AwaySource* source : {&lockedHint, &inactive, &prepareForSleep}) SetAway(*source, false);
}

[[noreturn]] void FollowForGood() {
  FollowBusForGood({.connect = sd_bus_open_system,
                    .callTimeoutUs = kCallTimeoutUs,
                    .follow = [](sd_bus* bus) { Logind(bus).Follow(); },
                    // Without logind nobody counts as away by it.
                    .forget = ForgetLogind,
                    .reconnectPause = kReconnectPause});
}

}  // namespace

void FollowLogind() {
  // Without the thread the session counts as never away.
  StartOnce<FollowForGood>();
}

}  // namespace platform::desktop
