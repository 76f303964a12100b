#ifndef SIMLAMP_PWM_PIN_MODEL_H
#define SIMLAMP_PWM_PIN_MODEL_H

#include <cstdint>

namespace simlamp {

// How a timer counts, as far as its compare output pins are concerned.
enum class WaveShape {
  Stopped,       // no clock selected
  FastPwm,       // fixed TOP, counts up only
  PhaseCorrect,  // fixed TOP, counts up and down
  Other,         // normal, CTC and variable-TOP modes: not modelled
};

struct Waveform {
  WaveShape shape = WaveShape::Stopped;
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

// What the two COMnx bits of a compare output select.
enum CompareMode : uint8_t {
  CompareDisconnected = 0,
  CompareToggle = 1,
  CompareNonInverting = 2,
  CompareInverting = 3,
};

Waveform Timer1Waveform(uint8_t tccr1a, uint8_t tccr1b);
Waveform Timer2Waveform(uint8_t tccr2a, uint8_t tccr2b);

// compareMode is the two COMnx bits; ocr the compare register; portHigh the PORT bit
// that drives the pin while the compare output is disconnected.
PinDrive ComparePinDrive(Waveform waveform, uint8_t compareMode, uint16_t ocr, bool portHigh);

}  // namespace simlamp

#endif
