// The signals that end the program (SIGINT, SIGTERM, SIGHUP, SIGQUIT and the
// other signals whose default action ends a process), shared between
// the files of the Linux seam.
#pragma once

namespace platform::linux_os {

// From now on an end signal ends the process at once with status, whatever
// the handler or another thread is doing: a failure that waits for a key
// ends with its own status when a service manager stops it.
void EndSignalsEndWith(int status);

// Until the signal thread takes them, an end signal whose action is the
// default one leaves the serial line as found before it ends the process.
void LeaveLineAsFoundOnEndSignals();

}  // namespace platform::linux_os
