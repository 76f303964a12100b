#include "rgb_led.h"

#include <avr/io.h>

#include "lamp_colours.h"
#include "lamp_config.h"

namespace lamp {

namespace {

constexpr uint8_t kRedPin = _BV(PB1);
constexpr uint8_t kGreenPin = _BV(PB2);
constexpr uint8_t kBluePin = _BV(PB3);

// Non-inverting PWM drives the pin high for the duty, inverting drives it low; a dark
// colour has its compare output disconnected so the pin rests at the PORTB level.
constexpr uint8_t kRedCompare = kCommonAnode ? _BV(COM1A1) | _BV(COM1A0) : _BV(COM1A1);
constexpr uint8_t kGreenCompare = kCommonAnode ? _BV(COM1B1) | _BV(COM1B0) : _BV(COM1B1);
constexpr uint8_t kBlueCompare = kCommonAnode ? _BV(COM2A1) | _BV(COM2A0) : _BV(COM2A1);

constexpr uint8_t kAllPins = kRedPin | kGreenPin | kBluePin;

// Fast PWM with OCR at TOP holds the active level the whole period, so a duty of 255 is
// steady light; a duty of 0 would still flash once per period and is never connected.
uint8_t WithCompare(uint8_t control, uint8_t compareBits, bool lit, uint8_t duty) {
  if (lit && duty > 0) {
    return static_cast<uint8_t>(control | compareBits);
  }
  return static_cast<uint8_t>(control & ~compareBits);
}

}  // namespace

void RgbLedStart() {
  PORTB = kCommonAnode ? static_cast<uint8_t>(PORTB | kAllPins)
                       : static_cast<uint8_t>(PORTB & ~kAllPins);
  DDRB = static_cast<uint8_t>(DDRB | kAllPins);

  // 8-bit fast PWM at 16 MHz / 64 / 256 = 977 Hz on both timers: no visible flicker.
  OCR1A = kRedDuty;
  OCR1B = kGreenDuty;
  OCR2A = kBlueDuty;
  TCCR1A = _BV(WGM10);
  TCCR1B = _BV(WGM12) | _BV(CS11) | _BV(CS10);
  TCCR2A = _BV(WGM21) | _BV(WGM20);
  TCCR2B = _BV(CS22);
}

void RgbLedShow(uint8_t colours) {
  // Red and green share TCCR1A: one write switches both at the same instant.
  uint8_t timer1 = WithCompare(TCCR1A, kRedCompare, (colours & Red) != 0, kRedDuty);
  timer1 = WithCompare(timer1, kGreenCompare, (colours & Green) != 0, kGreenDuty);
  TCCR1A = timer1;
  TCCR2A = WithCompare(TCCR2A, kBlueCompare, (colours & Blue) != 0, kBlueDuty);
}

}  // namespace lamp
