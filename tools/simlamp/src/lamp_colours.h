#ifndef SIMLAMP_LAMP_COLOURS_H
#define SIMLAMP_LAMP_COLOURS_H

#include <cstdint>

namespace simlamp {

enum Colour : uint8_t {
  Red = 1U << 0U,
  Green = 1U << 1U,
  Blue = 1U << 2U,
};

}  // namespace simlamp

#endif
