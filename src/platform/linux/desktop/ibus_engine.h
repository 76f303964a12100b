// IBus's global engine, asked of ibus-daemon on its own bus.
#pragma once

#include <systemd/sd-bus.h>

#include <optional>
#include <string>

namespace platform::desktop {

// A connection of its own to ibus-daemon's bus, found by its address file;
// a negative errno when there is none.
int ConnectIbus(sd_bus** bus);

// nullopt when ibus-daemon cannot be reached or does not answer.
std::optional<std::string> IbusGlobalEngine();

}  // namespace platform::desktop
