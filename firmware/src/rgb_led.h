#ifndef MORVANE_FIRMWARE_RGB_LED_H
#define MORVANE_FIRMWARE_RGB_LED_H

#include <stdint.h>

namespace lamp {

// Red, green and blue on Uno pins 9, 10 and 11 (OC1A, OC1B, OC2A), all dark after this.
void RgbLedStart();

// Lights exactly the colours whose bits are set (see Colour).
void RgbLedShow(uint8_t colours);

}  // namespace lamp

#endif
