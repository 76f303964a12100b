#ifndef SIMLAMP_LAMP_COLOURS_H
#define SIMLAMP_LAMP_COLOURS_H

#include <cstdint>

namespace simlamp {

enum Colour : uint8_t {
  kRed = 1U << 0U,
  kGreen = 1U << 1U,
  kBlue = 1U << 2U,
};

}  // namespace simlamp

#endif
