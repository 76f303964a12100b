// The away state that the system's sources set, kept under the write lock
// together with the lamp-off it causes. Shared by both systems' seams.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

// Each source is set by one reader of the system, apart from the others, so
// that one coming back does not end another's period.
enum class AwaySource : std::uint8_t { Locked, NotAtConsole, ScreenLocked, DisplayOff, Sleeping };

// When a source turns away, the lamp on the watched port goes dark under the
// same hold of the write lock in which the source is set.
void SetAway(AwaySource source, bool away);

// The port the lamp-off goes to; none until it is set.
void DarkenOnAway(PortHandle port);

// The state the sources make now.
AwayState AwayNow();

// The system's write of one byte to the port, for callers that hold the
// write lock (serial_line.cpp of each system).
bool WriteHeld(PortHandle port, char byte, SystemError& error);

}  // namespace platform
