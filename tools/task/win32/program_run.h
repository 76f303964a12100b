// One run of morvane, as Task Scheduler has the launcher start it.
#pragma once

#include "places.h"

namespace task::win32 {

// Runs morvane.exe from the program folder without a console window, in the
// working folder, with no input, and writes each line it prints to the log.
// Returns its exit status, or 1 when it could not be started (the log says
// why).
int RunProgram(const Places& places);

}  // namespace task::win32
