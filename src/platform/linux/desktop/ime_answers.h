// The input-method services' answers read as the foreground window's input
// method: on as {1, 1} (open, native conversion), off as {0, 0}, nullopt for
// no input method to speak of.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace platform::desktop {

// fcitx5's Controller1.State: 0 when no input context has focus, 1 inactive,
// 2 active.
std::optional<ImeStatus> ImeFromFcitxState(std::int32_t state);

// IBus's global engine by name. The keyboard-layout engines ("xkb:...") only
// type the layout; any other engine converts.
std::optional<ImeStatus> ImeFromIbusEngine(std::string_view engineName);

}  // namespace platform::desktop
