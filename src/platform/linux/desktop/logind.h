// The session's lock and console, and sleep, from logind on the system bus.
#pragma once

namespace platform::desktop {

// Starts following logind on a thread of its own, which waits on the bus's
// signals, so that going to sleep darkens the lamp at once rather than a
// cycle later. Later calls do nothing.
void FollowLogind();

}  // namespace platform::desktop
