// The exclusive flag (TIOCEXCL) of the one open serial line, shared between
// the files of the Linux seam that end the process.
#pragma once

namespace platform::linux_os {

// Clears the flag where this program set it, once, whichever end comes first:
// a pseudo-terminal keeps the flag after its last close, and would refuse
// the next opening, the program's own restart included. Called before the
// port is closed and before the process ends, by its own hand or by a signal;
// safe in a signal handler.
void LeaveLineAsFound();

}  // namespace platform::linux_os
