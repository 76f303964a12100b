// ibus-daemon delivers a copy of every message that matches a client's rule,
// whatever its destination; it has no BecomeMonitor. The rules name the
// panel's two property calls and the engine's change alone: a wider rule
// would copy every keystroke.
#include "platform/linux/desktop/ibus_panel.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <cstring>

#include "platform/linux/desktop/bus_thread.h"
#include "platform/linux/desktop/ibus_engine.h"

namespace platform::desktop {
namespace {

constexpr const char* kRegisterProperties =
    "type='method_call',path='/org/freedesktop/IBus/Panel',"
    "interface='org.freedesktop.IBus.Panel',member='RegisterProperties'";
constexpr const char* kUpdateProperty =
    "type='method_call',path='/org/freedesktop/IBus/Panel',"
    "interface='org.freedesktop.IBus.Panel',member='UpdateProperty'";
constexpr const char* kGlobalEngineChanged =
    "type='signal',sender='org.freedesktop.IBus',path='/org/freedesktop/IBus',"
    "interface='org.freedesktop.IBus',member='GlobalEngineChanged'";
constexpr std::uint64_t kCallTimeoutUs = 1'000'000;
// ibus-daemon, gone or restarted at a new address, is looked for again this
// much later.
constexpr auto kReconnectPause = std::chrono::seconds(1);

ToldMode& Told() {
  static ToldMode told;
  return told;
}

// IBus sends its objects as a variant holding a struct that begins with
// the object's type name and its attachments.
bool EnterObject(sd_bus_message* message) {
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(message, &type, &contents) <= 0 || type != SD_BUS_TYPE_VARIANT ||
      sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT, contents) <= 0) {
    return false;
  }
  return sd_bus_message_peek_type(message, &type, &contents) > 0 && type == SD_BUS_TYPE_STRUCT &&
         sd_bus_message_enter_container(message, SD_BUS_TYPE_STRUCT, contents) > 0 &&
         sd_bus_message_skip(message, "sa{sv}") >= 0;
}

// Skips what is left of the object, fields a later IBus may add among them.
bool LeaveObject(sd_bus_message* message) {
  while (sd_bus_message_at_end(message, 0) == 0) {
    if (sd_bus_message_skip(message, nullptr) < 0) return false;
  }
  return sd_bus_message_exit_container(message) >= 0 && sd_bus_message_exit_container(message) >= 0;
}

struct Property {
  bool read = false;
  const char* inputMode = nullptr;  // the symbol, for the InputMode property
};

// One IBusProperty: key, type, label, icon, tooltip, sensitive, visible,
// state, sub-properties, then the symbol as an IBusText.
Property ReadProperty(sd_bus_message* message) {
  const char* key = nullptr;
  if (!EnterObject(message) || sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &key) < 0) {
    return {};
  }
  const char* symbol = nullptr;
  if (std::strcmp(key, "InputMode") == 0) {
    if (sd_bus_message_skip(message, "uvsvbbuv") < 0 || !EnterObject(message) ||
        sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &symbol) < 0 ||
        !LeaveObject(message)) {
      return {};
    }
  }
  return {.read = LeaveObject(message), .inputMode = symbol};
}

// The calls are ibus-daemon's to the panel: returning 1 leaves them
// unanswered here.
int OnRegisterProperties(sd_bus_message* message, void* /*self*/, sd_bus_error* /*error*/) {
  // An IBusPropList: its properties, each in a variant. A list without an
  // InputMode (an input context losing focus) leaves the engine's mode as
  // it was.
  if (!EnterObject(message) ||
      sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "v") <= 0) {
    return 1;
  }
  while (sd_bus_message_at_end(message, 0) == 0) {
    const Property property = ReadProperty(message);
    if (!property.read) break;
    if (property.inputMode != nullptr) {
      Told().Tell(property.inputMode);
      break;
    }
  }
  return 1;
}

int OnUpdateProperty(sd_bus_message* message, void* /*self*/, sd_bus_error* /*error*/) {
  const Property property = ReadProperty(message);
  if (property.read && property.inputMode != nullptr) Told().Tell(property.inputMode);
  return 1;
}

// The next engine tells its own mode, if it has one, after this signal.
int OnGlobalEngineChanged(sd_bus_message* /*message*/, void* /*self*/, sd_bus_error* /*error*/) {
  Told().Forget();
  return 0;
}

// Returns when the bus broke.
void Follow(sd_bus* bus) {
  if (sd_bus_add_match(bus, nullptr, kGlobalEngineChanged, OnGlobalEngineChanged, nullptr) < 0 ||
      sd_bus_add_match(bus, nullptr, kRegisterProperties, OnRegisterProperties, nullptr) < 0 ||
      sd_bus_add_match(bus, nullptr, kUpdateProperty, OnUpdateProperty, nullptr) < 0) {
    return;
  }
  ServeUntilBroken(bus);
}

[[noreturn]] void FollowForGood() {
  FollowBusForGood({.connect = ConnectIbus,
                    .callTimeoutUs = kCallTimeoutUs,
                    .follow = Follow,
                    // A new ibus-daemon starts its engines afresh.
                    .forget = [] { Told().Forget(); },
                    .reconnectPause = kReconnectPause});
}

}  // namespace

ToldMode::Heard IbusInputMode() {
  // Without the thread the engine's name alone tells.
  StartOnce<FollowForGood>();
  return Told().Last();
}

}  // namespace platform::desktop
