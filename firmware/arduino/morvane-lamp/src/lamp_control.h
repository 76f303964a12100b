#ifndef MORVANE_FIRMWARE_LAMP_CONTROL_H
#define MORVANE_FIRMWARE_LAMP_CONTROL_H

#include <stdint.h>

#include "lamp_colours.h"

namespace lamp {

// The host refreshes about ten times a second; this much silence means it is gone
// (killed, crashed, or the computer went to sleep) and the lamp must not stay lit.
constexpr uint16_t kSilenceTimeoutMs = 3000;

// Turns received bytes into the lamp's colour state. Times are a free-running
// millisecond counter that may wrap around.
class LampControl {
 public:
  // Every byte counts as a sign of life, even one that is not a command.
  void OnByte(uint8_t byte, uint16_t nowMs);
  void OnTick(uint16_t nowMs);
  uint8_t Colours() const { return colours_; }

 private:
  uint8_t colours_ = 0;
  uint16_t lastByteMs_ = 0;
};

}  // namespace lamp

#endif
