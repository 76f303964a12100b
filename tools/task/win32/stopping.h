// Ending a running morvane from outside, as closing its console would.
#pragma once

namespace task::win32 {

// Closes the hidden window of every running morvane.exe, waits until each
// has ended (with the lamp dark) and the launchers that ran them have
// followed, so that their files can be replaced. True when none is left
// running; a program still opening its port gets its window closed once it
// has one.
bool StopPrograms();

}  // namespace task::win32
