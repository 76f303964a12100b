#include "platform/linux/desktop/bus_thread.h"

#include <memory>
#include <system_error>
#include <thread>

namespace platform::desktop {
namespace {

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;

}  // namespace

void FollowBusForGood(const BusThread& thread) {
  for (;;) {
    sd_bus* raw = nullptr;
    if (thread.connect(&raw) >= 0) {
      const Bus bus(raw);
      sd_bus_set_method_call_timeout(bus.get(), thread.callTimeoutUs);
      thread.follow(bus.get());
    }
    thread.forget();
    std::this_thread::sleep_for(thread.reconnectPause);
  }
}

bool StartDetached(void (*body)()) {
  try {
    std::thread(body).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

}  // namespace platform::desktop
