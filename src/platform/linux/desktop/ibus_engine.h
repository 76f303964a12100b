// IBus's global engine, asked of ibus-daemon on its own bus.
#pragma once

#include <optional>
#include <string>

namespace platform::desktop {

// nullopt when ibus-daemon cannot be reached or does not answer.
std::optional<std::string> IbusGlobalEngine();

}  // namespace platform::desktop
