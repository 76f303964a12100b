#include "millis_clock.h"

#include <avr/interrupt.h>
#include <avr/io.h>

namespace lamp {

namespace {

volatile uint16_t& TickCount() {
  static volatile uint16_t count;
  return count;
}

}  // namespace

void MillisClockStart() {
  // CTC at 16 MHz / 64 / 250 = 1 kHz.
  OCR0A = 249;
  TCCR0A = _BV(WGM01);
  TCCR0B = _BV(CS01) | _BV(CS00);
  TIMSK0 = _BV(OCIE0A);
}

uint16_t MillisClockNow() {
  // The counter is two bytes wide: keep the tick from landing between their reads.
  const uint8_t savedStatus = SREG;
  cli();
  const uint16_t now = TickCount();
  SREG = savedStatus;
  return now;
}

}  // namespace lamp

ISR(TIMER0_COMPA_vect) { ++lamp::TickCount(); }
