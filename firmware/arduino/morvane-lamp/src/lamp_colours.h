#ifndef MORVANE_FIRMWARE_LAMP_COLOURS_H
#define MORVANE_FIRMWARE_LAMP_COLOURS_H

#include <stdint.h>

namespace lamp {

// One bit per colour of the LED; the simulated lamp reads its pins into the same bits.
enum Colour : uint8_t {
  Red = 1U << 0U,
  Green = 1U << 1U,
  Blue = 1U << 2U,
};

}  // namespace lamp

#endif
