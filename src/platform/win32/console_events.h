// Console events and the session's end, shared between the files of the
// Windows seam.
#pragma once

namespace platform::win32 {

// From now on a console event, a log-off or a shut-down ends the process at
// once with status, whatever the handler or another thread is doing: a
// failure that waits for a key ends with its own status when its window is
// closed.
void ConsoleEventsEndWith(int status);

}  // namespace platform::win32
