#ifndef MORVANE_FIRMWARE_MILLIS_CLOCK_H
#define MORVANE_FIRMWARE_MILLIS_CLOCK_H

#include <stdint.h>

namespace lamp {

// Timer 0 ticks once a millisecond; the tick also wakes the main loop from idle sleep.
void MillisClockStart();

// Milliseconds since start, wrapping after 65.5 s.
uint16_t MillisClockNow();

}  // namespace lamp

#endif
