// Whether the program was started hidden, shared between the files of the
// Windows seam.
#pragma once

namespace platform::win32 {

// True when the program has a console without a window, as morvane-task
// starts it for Task Scheduler: nobody sees its text or types into it. A
// program with no console at all (its parent gave it none, as Wine does when
// a Unix shell starts it) writes to whatever its parent gave it, and counts
// as started in the open.
bool StartedHidden();

}  // namespace platform::win32
