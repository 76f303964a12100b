// Without a desktop source the program reads no keyboard, input-method or
// screen-saver state: no red byte, no colour pair, and the end comes from a
// signal.
#include "platform/platform.h"

namespace platform {

bool EscPressedSinceLastQuery() { return false; }
bool ShiftIsDown() { return false; }
Toggle CapsLock() { return Toggle::Unknown; }
std::optional<ImeStatus> ForegroundIme() { return std::nullopt; }
bool ScreenSaverRunning() { return false; }

}  // namespace platform
