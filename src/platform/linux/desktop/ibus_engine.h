// IBus's global engine, asked of ibus-daemon on its own bus.
#pragma once

#include <systemd/sd-bus.h>

#include <optional>
#include <string>

#include "platform/platform.h"

namespace platform::desktop {

// A connection of its own to ibus-daemon's bus, found by its address file;
// a negative errno when there is none.
int ConnectIbus(sd_bus** bus);

// nullopt when ibus-daemon cannot be reached or gives no engine; reply then
// says how the question went.
std::optional<std::string> IbusGlobalEngine(Reply& reply);

}  // namespace platform::desktop
