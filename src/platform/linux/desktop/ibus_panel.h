// The input mode of the focused input context, as ibus-daemon tells it to
// its panel (GNOME Shell, ibus-ui-gtk3): the engine's InputMode property.
#pragma once

#include "platform/linux/desktop/told_mode.h"

namespace platform::desktop {

// Begins, on the first call, to follow ibus-daemon's calls to its panel on a
// thread of its own, and returns the InputMode symbol told since the global
// engine last changed. There is no asking for it: nothing is told until the
// engine's mode changes or an input context gains focus, and nothing at all
// where no panel runs (ibus-daemon --panel=disable).
ToldMode::Heard IbusInputMode();

}  // namespace platform::desktop
