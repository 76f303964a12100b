// A D-Bus connection owned by a thread of its own, which waits on its
// signals rather than asking from cycle to cycle, and connects again, for
// good, whenever the connection broke.
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>

#include "platform/linux/desktop/lasting_bus.h"

namespace platform::desktop {

struct BusThread {
  Connector connect;
  // For the calls on the connection, the rules it adds among them.
  std::uint64_t callTimeoutUs;
  // Follows the connection; returns when it broke.
  void (*follow)(sd_bus* bus);
  // Lets go of what was heard on the connection that broke.
  void (*forget)();
  std::chrono::seconds reconnectPause;
};

[[noreturn]] void FollowBusForGood(const BusThread& thread);

// Starts body on a detached thread; false when no thread could be made.
bool StartDetached(void (*body)());

// Starts body on a detached thread the first time only.
template <void (*Body)()>
void StartOnce() {
  static const bool started = StartDetached(Body);
  (void)started;
}

// A call on the connection from the thread that owns it, waited for within
// the timeout the thread set; the reply, or null. It never starts a service.
template <class... Arguments>
Message CallWaiting(sd_bus* bus, const Method& method, const char* types, Arguments... arguments) {
  sd_bus_message* raw = nullptr;
  if (sd_bus_message_new_method_call(bus, &raw, method.service, method.path, method.interface,
                                     method.member) < 0) {
    return nullptr;
  }
  const Message call(raw);
  if (sd_bus_message_set_auto_start(raw, 0) < 0 ||
      sd_bus_message_append(raw, types, arguments...) < 0) {
    return nullptr;
  }
  CallError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call(bus, raw, 0, error.Get(), &reply) < 0) return nullptr;
  return Message(reply);
}

// Deals with the messages as they come, running idle each time none is left
// before waiting for more; returns when the bus broke.
template <class Idle>
void ServeUntilBroken(sd_bus* bus, Idle idle) {
  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0) return;
    if (processed > 0) continue;
    idle();
    if (sd_bus_wait(bus, UINT64_MAX) < 0) return;
  }
}

inline void ServeUntilBroken(sd_bus* bus) {
  ServeUntilBroken(bus, [] {});
}

}  // namespace platform::desktop
