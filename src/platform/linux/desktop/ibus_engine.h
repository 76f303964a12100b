// IBus's global engine, asked of ibus-daemon on its own bus.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace platform::desktop {

// nullopt when ibus-daemon cannot be reached or gives no engine; reply then
// says how the question went.
std::optional<std::string> IbusGlobalEngine(Reply& reply);

}  // namespace platform::desktop
