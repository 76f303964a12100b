#ifndef SIMLAMP_LED_WATCH_H
#define SIMLAMP_LED_WATCH_H

#include <sim_avr.h>

#include <cstdint>
#include <functional>

#include "irq_listener.h"

namespace simlamp {

// Follows the Uno's pins 9, 10 and 11 (red, green, blue) through every write to the
// registers that decide their level, and reports when the set of lit colours changes.
// A colour is lit when its pin is an output at the LED's active level for any part of
// the PWM period.
class LedWatch : private IrqListener {
 public:
  using Listener = std::function<void(uint8_t colours)>;

  LedWatch(avr_t* avr, bool commonAnode, Listener onChange);

  // A reset clears the registers without the writes this class listens to.
  void Refresh();
  uint8_t Colours() const { return colours_; }

 private:
  void OnRegisterWrite(uint32_t value);
  uint8_t ReadColours();

  avr_t* avr_;
  bool commonAnode_;
  Listener onChange_;
  uint8_t colours_ = 0;
  bool warnedUnmodelled_ = false;
};

}  // namespace simlamp

#endif
