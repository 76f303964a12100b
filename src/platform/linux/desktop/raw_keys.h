// Esc presses read from XInput 2 raw key events on the root window: nothing
// is grabbed, and a key tapped and let go between two polls is still seen.
#pragma once

#include "platform/linux/desktop/key_tracker.h"

namespace platform::desktop {

// The Esc presses since the previous call; none where raw key events cannot
// be had. The first call starts the watch.
EscReport TakeEscReport();

}  // namespace platform::desktop
