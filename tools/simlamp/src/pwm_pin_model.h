#ifndef SIMLAMP_PWM_PIN_MODEL_H
#define SIMLAMP_PWM_PIN_MODEL_H

#include <cstdint>

namespace simlamp {

// How a timer counts, as far as its compare output pins are concerned.
enum class WaveShape {
  kStopped,       // no clock selected
  kFastPwm,       // fixed TOP, counts up only
  kPhaseCorrect,  // fixed TOP, counts up and down
  kOther,         // normal, CTC and variable-TOP modes: not modelled
};

struct Waveform {
  WaveShape shape = WaveShape::kStopped;
  uint16_t top = 0;
};

// Which levels a pin takes during one PWM period.
struct PinDrive {
  bool high = false;
  bool low = false;
  // False when the timer runs in a mode this model does not cover; the levels then
  // follow the PORT bit, which may be wrong while the compare output is connected.
  bool modelled = true;
};

Waveform timer1_waveform(uint8_t tccr1a, uint8_t tccr1b);
Waveform timer2_waveform(uint8_t tccr2a, uint8_t tccr2b);

// compare_mode is the two COMnx bits; ocr the compare register; port_high the PORT bit
// that drives the pin while the compare output is disconnected.
PinDrive compare_pin_drive(Waveform waveform, uint8_t compare_mode, uint16_t ocr, bool port_high);

}  // namespace simlamp

#endif
